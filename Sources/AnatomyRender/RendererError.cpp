#include "AnatomyRender/RendererError.h"

namespace morvena {

RendererError::RendererError(Kind kind, const std::string& message)
    : std::runtime_error(message)
    , kind_(kind)
{
}

RendererError RendererError::shaderCompilation(const std::string& detail)
{
    return {Kind::shaderCompilation, "Compilazione degli shader non riuscita: " + detail};
}

RendererError RendererError::pipeline(const std::string& detail)
{
    return {Kind::pipeline, "Creazione della pipeline grafica non riuscita: " + detail};
}

RendererError RendererError::noDevice()
{
    return {Kind::noDevice, "Nessun dispositivo OpenGL disponibile su questo computer."};
}

RendererError RendererError::shaderSourceMissing()
{
    return {Kind::shaderSourceMissing, "Shaders.glsl non trovato nelle risorse dell'app."};
}

RendererError RendererError::buffer()
{
    return {Kind::buffer, "Allocazione dei buffer GPU non riuscita."};
}

} // namespace morvena
