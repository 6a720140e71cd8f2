#include "AnatomyUI/Window/ViewerServices.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/RendererError.h"
#include "AnatomyUI/SharedGLContext.h"

#include <QApplication>
#include <QFileDialog>

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
    return services;
}

std::optional<std::filesystem::path> askWhereToSave(
    const std::filesystem::path& folder, const std::string& fileName)
{
    const auto proposed = QString::fromStdString((folder / fileName).string());
    const auto chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), "Esporta immagine",
        proposed, "Immagine PNG (*.png)", nullptr, QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(chosen.toStdString());
}

} // namespace morvena::ViewerServices
