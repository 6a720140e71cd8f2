#include "AnatomyUI/Model/AppModelServices.h"

#include "AnatomyRender/AnatomyRenderer.h"

namespace morvena {

AppModelServices::MakeRenderer AppModelServices::rendererFactory(std::function<void()> makeCurrent)
{
    return [makeCurrent = std::move(makeCurrent)](
               std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene) {
        makeCurrent();
        auto renderer = std::make_unique<AnatomyRenderer>(std::move(pack), std::move(scene));
        // The renderer deletes its GL objects, so its context must be current then too.
        return std::shared_ptr<AnatomyRenderer>(renderer.release(), [makeCurrent](AnatomyRenderer* gone) {
            makeCurrent();
            delete gone;
        });
    };
}

} // namespace morvena
