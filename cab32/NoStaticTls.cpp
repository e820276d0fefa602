// cab32.dll is loaded with LoadLibrary, and Windows 95 does not load a DLL that has a
// static TLS directory that way. The run-time's start-up code asks for this callback only
// to initialise __declspec(thread) data, of which this library has none; defining it here
// keeps the run-time's TLS support, and with it the directory, out of the DLL.
#include <windows.h>

extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
