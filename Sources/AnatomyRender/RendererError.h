#pragma once

#include <stdexcept>
#include <string>

namespace morvena {

// Why a renderer could not be created. what() is the Italian message shown to the user.
class RendererError : public std::runtime_error {
public:
    enum class Kind { shaderCompilation, pipeline, noDevice, shaderSourceMissing, buffer };

    static RendererError shaderCompilation(const std::string& detail);
    static RendererError pipeline(const std::string& detail);
    static RendererError noDevice();
    static RendererError shaderSourceMissing();
    static RendererError buffer();

    Kind kind() const { return kind_; }

private:
    RendererError(Kind kind, const std::string& message);

    Kind kind_;
};

} // namespace morvena
