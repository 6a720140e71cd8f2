#include "AnatomyUI/Window/ViewerServices.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/RendererError.h"
#include "AnatomyUI/SharedGLContext.h"
#include "AnatomyUI/Window/ImageSaveDialog.h"

#include <QApplication>
#include <QMessageBox>

namespace morvena::ViewerServices {

AppModelServices make(SharedGLContext* context)
{
    AppModelServices services;
    services.makeCurrent = [context] {
        if (context)
            context->makeCurrent();
    };
    services.makeRenderer
        = [context](std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene) {
              if (!context)
                  throw RendererError::noDevice();
              return context->makeRenderer(std::move(pack), std::move(scene));
          };
    services.savePanel = askWhereToSave;
    services.showFailure = showFailure;
    services.showNotice = showNotice;
    return services;
}

std::optional<std::filesystem::path> askWhereToSave(
    const std::filesystem::path& folder, const std::string& fileName)
{
    return ImageSaveDialog::ask(folder, fileName, QApplication::activeWindow());
}

void showFailure(const std::string& message)
{
    // Over the window the save panel opens over, as the panel's own questions are.
    QMessageBox::warning(
        QApplication::activeWindow(), QStringLiteral("Morvena"), QString::fromStdString(message));
}

void showNotice(const std::string& message)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Morvena"), QString::fromStdString(message),
        QMessageBox::Ok, QApplication::activeWindow());
    // A notice may name a file the user has to find again.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

} // namespace morvena::ViewerServices
