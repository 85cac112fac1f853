// The shortcut to the program on the current user's desktop, written through
// the shell's link object. COM must be initialised on the calling thread.
#pragma once

#include <string>

namespace common {

// The text itself when its last character is "\", otherwise the text
// followed by "\". Characters are those of code page 936: the trail byte of
// a double-byte character is never taken for a backslash.
std::string WithTrailingBackslash(const std::string& text);

// The directory part of a file path: everything up to and including its
// last "\" or ":" (code page 936 characters, as above); "" when it has none.
std::string DirectoryOf(const std::string& path);

// The desktop directory of the current user, "" when the shell cannot say.
std::string DesktopDirectory();

// Writes "<desktop>\<title>.lnk", a link to `programPath` whose working
// directory is the program's directory, replacing a link of that name.
// Raises fw::ComError when the link object cannot be made or lacks an
// interface, fw::Error when the desktop directory is unknown (nothing is
// written then). `desktop` gives the desktop directory.
void CreateDesktopShortcut(const std::string& programPath, const std::string& title,
                           std::string (*desktop)() = DesktopDirectory);

}  // namespace common
