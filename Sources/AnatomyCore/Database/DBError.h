#pragma once

#include <stdexcept>
#include <string>

namespace morvena {

// A failure of the anatomy database. what() is the Italian text the user sees.
class DBError : public std::runtime_error {
public:
    enum class Kind {
        open, // the file could not be opened
        sql, // a statement could not be compiled or executed
    };

    static DBError open(std::string message);
    static DBError sql(std::string message);

    Kind kind() const { return kind_; }
    // SQLite's own text, without the Italian prefix.
    const std::string& message() const { return message_; }

private:
    DBError(Kind kind, std::string description, std::string message);

    Kind kind_;
    std::string message_;
};

} // namespace morvena
