#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace morvena {

// The failures that the importers' own checks find. what() is the Italian
// description shown to the user, the payload appended as it is.
class ImportError : public std::runtime_error {
public:
    enum class Kind {
        missingMetadata, // payload: the metadata file's name
        noOBJFiles, // payload: the folder or input searched
        noStructures, // payload: the first file that failed and why, when known
        orientationUndetermined, // no payload
        invalidUnits, // payload: the units-per-millimetre value as given
        cancelled, // no payload
        outOfMemory, // payload: the file being read
    };

    // A file that is there but cannot be read says why, in `reason`.
    static ImportError missingMetadata(std::string fileName, std::string_view reason = {});
    static ImportError noOBJFiles(std::string path);
    static ImportError noStructures();
    // The same, followed by the first file that failed and its reader's reason.
    static ImportError noStructures(std::string firstFailure);
    // For callers that cannot place a dataset's axes from its structures' names.
    static ImportError orientationUndetermined();
    // A units-per-millimetre setting that is zero, negative or not a number
    // would turn the model into infinities or its mirror image.
    static ImportError invalidUnits(std::string value);
    // The caller stopped the import before it was put in place.
    static ImportError cancelled();
    // Memory ran out while the file was read or decoded: the import stops, as
    // the next file would fare no better.
    static ImportError outOfMemory(std::string file);

    Kind kind() const { return kind_; }
    const std::string& payload() const { return payload_; }

    bool operator==(const ImportError& other) const
    {
        return kind_ == other.kind_ && payload_ == other.payload_;
    }

private:
    ImportError(Kind kind, std::string payload, const std::string& description);

    Kind kind_;
    std::string payload_;
};

} // namespace morvena
