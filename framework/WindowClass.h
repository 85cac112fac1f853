// Registration of the framework's own window classes: once per class name,
// with the program's icon and the arrow cursor.
#pragma once

#include <windows.h>

namespace fw {

// Registers `name` with `proc` the first time it is asked for; later calls
// with the same name do nothing. Returns the module instance the class
// belongs to.
HINSTANCE RegisterWindowClass(const char* name, WNDPROC proc, UINT style = 0);

}  // namespace fw
