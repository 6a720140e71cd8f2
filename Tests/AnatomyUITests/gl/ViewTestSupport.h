#pragma once

#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "HangDeadline.h"
#include "TestSandbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QTest>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morvena::test {

// The texts a person sees in the widget now: labels (whole, before eliding or
// breaking) and button titles of the widgets shown.
inline QStringList shownTexts(const QWidget& root)
{
    QStringList texts;
    for (auto* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root))
            continue;
        auto* elided = qobject_cast<ElidedLabel*>(label);
        auto* wrapping = qobject_cast<WrappingLabel*>(label);
        texts << (elided ? elided->fullText() : wrapping ? wrapping->fullText() : label->text());
    }
    for (auto* button : root.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&root) && !button->text().isEmpty())
            texts << button->text();
    return texts;
}

// The shown button with that title; null when there is none.
inline QAbstractButton* shownButton(const QWidget& root, const QString& title)
{
    for (auto* button : root.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&root) && button->text() == title)
            return button;
    return nullptr;
}

inline bool shown(const QWidget& root, const char* objectName)
{
    auto* widget = root.findChild<QWidget*>(QString::fromUtf8(objectName));
    return widget && widget->isVisibleTo(&root);
}

using Appearance = Theme::Appearance;

// The application's look in an appearance; widgets made afterwards take it.
inline void applyAppearance(Appearance appearance)
{
    Theme::apply(*qApp, appearance);
}

// Keeps a picture of the widget, made once in each appearance by `make`, for a
// person to look at: <name>-light.png and <name>-dark.png among the test artifacts.
inline void keepLightAndDark(
    const std::string& name, QSize size, const std::function<std::unique_ptr<QWidget>()>& make)
{
    for (auto appearance : {Appearance::light, Appearance::dark}) {
        applyAppearance(appearance);
        auto widget = make();
        widget->resize(size);
        widget->show();
        // Laid out and exposed at its final size, so that scroll ranges have settled.
        (void)QTest::qWaitForWindowExposed(widget.get(), hangDeadlineMS);
        QApplication::processEvents();
        const auto file
            = reviewArtifact(name + (appearance == Appearance::light ? "-light.png" : "-dark.png"));
        widget->grab().save(QString::fromStdString(file.string()));
    }
    applyAppearance(Appearance::light);
}

// A catalog entry shaped like the BodyParts3D atlas; its archive address is never fetched.
inline DatasetCatalog::Entry catalogEntry(
    const std::string& id, const std::string& name, std::int64_t archiveBytes, std::int64_t installedBytes)
{
    DatasetCatalog::Entry made;
    made.id = id;
    made.displayName = name;
    made.version = "1";
    made.archive = "http://127.0.0.1:9/" + id + ".mrvz";
    made.archiveBytes = archiveBytes;
    made.installedBytes = installedBytes;
    made.structureCount = 2234;
    made.triangleCount = 1'234'567;
    made.license = "CC BY-SA 2.1 JP";
    made.attribution = "BodyParts3D, © The Database Center for Life Science";
    return made;
}

} // namespace morvena::test
