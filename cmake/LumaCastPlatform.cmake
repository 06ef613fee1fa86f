# Chooses the platform layer. Portable sources are listed by each directory;
# platform files sit beside them as foo_win.cc / foo_linux.cc / foo_x11.cc and
# are added through lumacast_platform_sources().
if(WIN32)
  set(LUMACAST_PLATFORM win)
  enable_language(RC)
  # The oldest Windows installer.manifest declares (Vista, 0x0600): a call that
  # only newer systems export then fails to compile instead of failing to load.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600
                          CURL_STATICLIB)
  # Every program (the installer, tests, tools) imports system DLLs only, so
  # it runs as it is under Windows and Wine without mingw's runtime DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The download is meant to stay near 1 MB: every function and datum gets its
  # own section so the linker drops what no program reaches.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # The system import libraries the installer's code uses.
  set(LUMACAST_WIN32_SYSTEM_LIBS gdiplus urlmon wininet ole32 oleaut32 uuid shlwapi shell32
      comctl32 imm32 winmm msimg32 version ws2_32 crypt32 bcrypt advapi32 gdi32 user32)
else()
  set(LUMACAST_PLATFORM linux)
  enable_language(ASM)  # .incbin of the embedded resources
  set(LUMACAST_WIN32_SYSTEM_LIBS "")
endif()

# lumacast_platform_sources(<target> <stem>...) adds <stem>_win.cc on Windows and
# <stem>_linux.cc elsewhere, whichever exists.
function(lumacast_platform_sources target)
  foreach(stem IN LISTS ARGN)
    set(file "${CMAKE_CURRENT_SOURCE_DIR}/${stem}_${LUMACAST_PLATFORM}.cc")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "missing platform file ${file}")
    endif()
    target_sources(${target} PRIVATE "${file}")
  endforeach()
endfunction()

# lumacast_product_code(): the folders that make up the shipped program call
# this. The code never throws or catches, so on Windows it carries no unwind
# tables (a fifth of the program's size); tests keep exceptions for gtest.
macro(lumacast_product_code)
  if(WIN32)
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> -fno-asynchronous-unwind-tables)
  endif()
endmacro()
