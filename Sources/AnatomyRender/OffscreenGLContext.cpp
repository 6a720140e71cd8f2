#include "AnatomyRender/OffscreenGLContext.h"

#include "AnatomyRender/RendererError.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace morvena {

struct OffscreenGLContext::State {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    Platform platform = Platform::device;
    std::string rendererName;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        if (display == EGL_NO_DISPLAY)
            return;
        if (eglGetCurrentContext() == context)
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        // The display stays initialised: EGL shares one display object per platform and
        // device across the process, and terminating it would pull it from under any
        // other context on it.
    }
};

namespace {

bool hasClientExtension(const char* name)
{
    return epoxy_has_egl_extension(EGL_NO_DISPLAY, name);
}

EGLDisplay platformDisplay(EGLenum platform, void* nativeDisplay)
{
    if (!hasClientExtension("EGL_EXT_platform_base"))
        return EGL_NO_DISPLAY;
    return eglGetPlatformDisplayEXT(platform, nativeDisplay, nullptr);
}

std::vector<EGLDeviceEXT> eglDevices()
{
    if (!hasClientExtension("EGL_EXT_device_enumeration") || !hasClientExtension("EGL_EXT_platform_device"))
        return {};
    EGLint count = 0;
    if (!eglQueryDevicesEXT(0, nullptr, &count) || count <= 0)
        return {};
    std::vector<EGLDeviceEXT> devices(static_cast<std::size_t>(count));
    if (!eglQueryDevicesEXT(count, devices.data(), &count))
        return {};
    devices.resize(static_cast<std::size_t>(count));
    return devices;
}

bool isSoftwareDevice(EGLDeviceEXT device)
{
    const char* extensions = eglQueryDeviceStringEXT(device, EGL_EXTENSIONS);
    return extensions
        && std::string_view(extensions).find("EGL_MESA_device_software") != std::string_view::npos;
}

std::optional<EGLConfig> chooseConfig(EGLDisplay display, bool pbuffer)
{
    const std::array<EGLint, 13> attributes {EGL_SURFACE_TYPE, pbuffer ? EGL_PBUFFER_BIT : 0,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
        EGL_ALPHA_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes.data(), &config, 1, &count) || count < 1)
        return std::nullopt;
    return config;
}

bool createContext(OffscreenGLContext::State& state, bool pbuffer, EGLContext shareWith)
{
    EGLint major = 0, minor = 0;
    if (!eglInitialize(state.display, &major, &minor))
        return false;
    if (!eglBindAPI(EGL_OPENGL_API))
        return false;
    bool surfaceless = epoxy_has_egl_extension(state.display, "EGL_KHR_surfaceless_context");
    if (!pbuffer && !surfaceless)
        return false;
    auto config = chooseConfig(state.display, pbuffer);
    bool configless = epoxy_has_egl_extension(state.display, "EGL_KHR_no_config_context");
    if (!config && !(configless && !pbuffer))
        return false;
    const std::array<EGLint, 7> contextAttributes {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    state.context = eglCreateContext(
        state.display, config ? *config : EGL_NO_CONFIG_KHR, shareWith, contextAttributes.data());
    if (state.context == EGL_NO_CONTEXT)
        return false;
    if (pbuffer) {
        const std::array<EGLint, 5> surfaceAttributes {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
        state.surface = eglCreatePbufferSurface(state.display, *config, surfaceAttributes.data());
        if (state.surface == EGL_NO_SURFACE)
            return false;
    }
    if (!eglMakeCurrent(state.display, state.surface, state.surface, state.context))
        return false;
    return epoxy_gl_version() >= 45;
}

// One attempt on one display; a failed attempt releases what it made.
std::unique_ptr<OffscreenGLContext::State> attempt(EGLDisplay display, OffscreenGLContext::Platform platform,
    bool pbuffer, EGLContext shareWith = EGL_NO_CONTEXT)
{
    if (display == EGL_NO_DISPLAY)
        return nullptr;
    auto state = std::make_unique<OffscreenGLContext::State>();
    state->display = display;
    state->platform = platform;
    if (!createContext(*state, pbuffer, shareWith))
        return nullptr;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    state->rendererName = renderer ? renderer : "";
    return state;
}

std::unique_ptr<OffscreenGLContext::State> openContext()
{
    using Platform = OffscreenGLContext::Platform;
    // Hardware devices first: the software device is what the surfaceless platform
    // gives anyway.
    auto devices = eglDevices();
    std::stable_partition(
        devices.begin(), devices.end(), [](EGLDeviceEXT d) { return !isSoftwareDevice(d); });
    for (EGLDeviceEXT device : devices) {
        if (auto state = attempt(platformDisplay(EGL_PLATFORM_DEVICE_EXT, device), Platform::device, false))
            return state;
    }
    if (hasClientExtension("EGL_MESA_platform_surfaceless")) {
        auto display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
        if (auto state = attempt(display, Platform::surfaceless, false))
            return state;
    }
    return attempt(eglGetDisplay(EGL_DEFAULT_DISPLAY), Platform::pbuffer, true);
}

} // namespace

OffscreenGLContext::OffscreenGLContext()
    : OffscreenGLContext(nullptr)
{
}

OffscreenGLContext::OffscreenGLContext(const OffscreenGLContext* shareWith)
{
    if (!shareWith) {
        state_ = openContext();
    } else {
        const auto& other = *shareWith->state_;
        state_ = attempt(other.display, other.platform, other.platform == Platform::pbuffer, other.context);
    }
    if (!state_)
        throw RendererError::noDevice();
}

OffscreenGLContext::~OffscreenGLContext() = default;

void OffscreenGLContext::makeCurrent()
{
    if (!eglMakeCurrent(state_->display, state_->surface, state_->surface, state_->context))
        throw RendererError::noDevice();
}

bool OffscreenGLContext::isCurrent() const
{
    return eglGetCurrentContext() == state_->context;
}

OffscreenGLContext::Platform OffscreenGLContext::platform() const
{
    return state_->platform;
}

const std::string& OffscreenGLContext::rendererName() const
{
    return state_->rendererName;
}

} // namespace morvena
