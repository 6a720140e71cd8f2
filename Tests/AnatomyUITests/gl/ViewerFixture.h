#pragma once

#include "../ModelTestSupport.h"
#include "HangDeadline.h"

#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Window/ContentView.h"
#include "AnatomyUI/Window/ViewerServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <functional>
#include <memory>

namespace morvena::test {

// Lets the event loop run until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMS = hangDeadlineMS)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMS)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// The window's services over the test's settings file and data folder, in a shared
// context that outlives whatever the test builds from them.
class ViewerFixture {
public:
    AppModelServices services()
    {
        auto made = ViewerServices::make(&context);
        made.preferences = sandbox.preferences.get();
        return made;
    }

    ContentView& makeContentView()
    {
        view = std::make_unique<ContentView>(services());
        return *view;
    }

    // Shows the view at its minimum size and waits until its viewport, if it makes
    // one, has drawn.
    void show()
    {
        view->resize(view->minimumSize());
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get(), hangDeadlineMS));
        waitForViewport();
    }

    void waitForViewport()
    {
        if (!std::holds_alternative<AppModel::Ready>(view->model().phase()))
            return;
        ASSERT_TRUE(waitUntil([this] { return view->model().metalView() != nullptr; }));
    }

    ModelSandbox sandbox;
    SharedGLContext context;
    std::unique_ptr<ContentView> view;
};

// One structure in the middle of the body, and two more beside it.
inline TestDataset threeBoxes()
{
    return boxDataset("tre",
        {{"FMA1", AnatomySystem::skeletal}, {"FMA2", AnatomySystem::skeletal},
            {"FMA3", AnatomySystem::muscular}});
}

} // namespace morvena::test
