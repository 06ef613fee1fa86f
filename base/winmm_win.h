// winmm, taken from the system folder (Windows builds only).
//
// winmm is not one of the DLLs Windows pins as known DLLs, so it is never
// import-linked (a planted copy beside the program would win); its functions
// are looked up here instead, from the DLL loaded once from the system folder.
#ifndef BASE_WINMM_WIN_H_
#define BASE_WINMM_WIN_H_

#include <windows.h>

namespace nbase::internal {

// The named winmm function, or null when winmm or the function cannot be had.
FARPROC WinmmProcedure(const char* name);

// The same, as a pointer of type `Function`.
template <class Function>
Function WinmmFunction(const char* name) {
  FARPROC found = WinmmProcedure(name);
  return found != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : nullptr;
}

}  // namespace nbase::internal

#endif  // BASE_WINMM_WIN_H_
