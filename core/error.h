#pragma once
// Errors carry the text shown to the user; the event loop shows it in a message box.
#include <stdexcept>
#include <string>

namespace kv {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

} // namespace kv
