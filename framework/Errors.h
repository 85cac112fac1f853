// The program's error kinds. Every error carries a message in code page 936;
// the application shows it in its error box. No windows.h here: pure units
// (colour names, JPEG decoding) raise these too.
#pragma once

#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace fw {

// General error with a message.
class Error : public std::exception {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// Registry access failed (create, read, write, wrong data type).
class RegistryError : public Error {
public:
    using Error::Error;
};

// A text is not a valid number or colour.
class ConvertError : public Error {
public:
    using Error::Error;
};

// A picture file could not be loaded.
class PictureError : public Error {
public:
    using Error::Error;
};

// Creating or using a COM object failed.
class ComError : public Error {
public:
    using Error::Error;
};

// An operation not allowed in the object's present state.
class InvalidOperation : public Error {
public:
    using Error::Error;
};

// The longest argument a message quotes whole, in bytes. A message goes to
// the user in a message box, whose text the system carries only up to 64 KB
// (longer ones are shown cut short or not at all); a value read from the
// registry can be far longer. Every path the file functions take fits.
constexpr std::size_t kMaxMessageArgument = 1024;

// The argument as a message quotes it: whole up to kMaxMessageArgument
// bytes; a longer one is cut at a character boundary of code page 936 (a
// byte from 0x81 on leads a double-byte character) and followed by "...".
inline std::string MessageArgument(const std::string& arg) {
    if (arg.size() <= kMaxMessageArgument) return arg;
    std::size_t cut = 0;
    for (;;) {
        const std::size_t step = static_cast<unsigned char>(arg[cut]) >= 0x81 && cut + 1 < arg.size() ? 2 : 1;
        if (cut + step > kMaxMessageArgument) break;
        cut += step;
    }
    return arg.substr(0, cut) + "...";
}

// Replaces the first "%s" of a message pattern with an argument, byte for
// byte (no other format directives are interpreted); an overlong argument is
// cut as MessageArgument says, so that the pattern's own words are shown.
inline std::string FormatMessage1(const std::string& pattern, const std::string& arg) {
    const auto pos = pattern.find("%s");
    if (pos == std::string::npos) return pattern;
    std::string out = pattern.substr(0, pos);
    out += MessageArgument(arg);
    out += pattern.substr(pos + 2);
    return out;
}

// Replaces the first "%d" of a message pattern with a decimal integer.
inline std::string FormatMessageInt(const std::string& pattern, long value) {
    const auto pos = pattern.find("%d");
    if (pos == std::string::npos) return pattern;
    char digits[24];
    std::snprintf(digits, sizeof digits, "%ld", value);
    return pattern.substr(0, pos) + digits + pattern.substr(pos + 2);
}

// The text the error box shows for a message: a "." is appended when the
// message is not empty and its last byte compares greater than "." (bytes
// compared unsigned, so a message ending in a GB2312 character gets one).
inline std::string ErrorBoxText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

}  // namespace fw
