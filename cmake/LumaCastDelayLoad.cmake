# Links Windows system DLLs so that none can be planted beside the program.
#
# The installer runs elevated from a Downloads folder. The loader looks for an
# import-linked DLL in the program's own folder first, unless Windows keeps it
# as a "known DLL". So only the known DLLs below are linked normally; every
# other system DLL goes through a delay-load import library made here with
# dlltool: the first call loads the DLL through the delay-load hook in
# app/system_library_win.cc, which takes it from the system folder only.
#
#   lumacast_link_system_dlls(<target> [lib...])
#
# `lib...` are import library names as given to the linker (gdiplus, urlmon,
# ...); without them the installer's usual set is linked. On other platforms
# the function does nothing.
include_guard(GLOBAL)

set(LUMACAST_KNOWN_DLLS kernel32 user32 gdi32 advapi32 shell32 shlwapi ole32 oleaut32 ws2_32 imm32
    msvcrt comdlg32 rpcrt4 psapi setupapi)
# Static libraries that look like system libraries but hold no imports.
set(LUMACAST_STATIC_SYSTEM_LIBS uuid)
# The installer's usual set (the build's LUMACAST_WIN32_SYSTEM_LIBS when it
# has one). libcurl calls BCryptGenRandom, so bcrypt belongs here too.
if(LUMACAST_WIN32_SYSTEM_LIBS)
  set(LUMACAST_DEFAULT_SYSTEM_DLLS ${LUMACAST_WIN32_SYSTEM_LIBS})
else()
  set(LUMACAST_DEFAULT_SYSTEM_DLLS gdiplus urlmon wininet ole32 oleaut32 uuid shlwapi shell32 comctl32 imm32
      winmm msimg32 version ws2_32 bcrypt advapi32 gdi32 user32)
endif()

# Builds (once per build tree) lib<name>_delay.a from the toolchain's import
# library: every function it exports, none of its data (data cannot be
# delay-loaded). Sets <out_var> to the library path.
function(_lumacast_delay_library name out_var)
  set(dir "${PROJECT_BINARY_DIR}/delayload")
  set(output "${dir}/lib${name}_delay.a")
  if(NOT EXISTS "${output}")
    find_library(_lumacast_import_${name} NAMES "lib${name}.a" ${name} NO_CACHE REQUIRED)
    set(import "${_lumacast_import_${name}}")
    string(REGEX REPLACE "-gcc(-posix|-win32)?$" "" tool_prefix "${CMAKE_C_COMPILER}")
    find_program(LUMACAST_DLLTOOL NAMES "${tool_prefix}-dlltool" i686-w64-mingw32-dlltool REQUIRED)
    execute_process(COMMAND "${LUMACAST_DLLTOOL}" -I "${import}"
                    OUTPUT_VARIABLE dll_name OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR dll_name STREQUAL "")
      message(FATAL_ERROR "cannot tell which DLL ${import} imports from")
    endif()
    string(TOLOWER "${dll_name}" dll_name)
    execute_process(COMMAND "${CMAKE_NM}" "${import}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot list the symbols of ${import}")
    endif()
    # A function has both a thunk "T _Name@N" and a slot "I __imp__Name@N".
    string(REGEX MATCHALL "[0-9a-f]+ T _[A-Za-z0-9_@?$]+" thunks "${symbols}")
    string(REGEX MATCHALL "[0-9a-f]+ I __imp__[A-Za-z0-9_@?$]+" slots "${symbols}")
    set(slot_names "")
    foreach(slot IN LISTS slots)
      string(REGEX REPLACE "^[0-9a-f]+ I __imp__" "" slot "${slot}")
      list(APPEND slot_names "${slot}")
    endforeach()
    set(def "LIBRARY ${dll_name}\nEXPORTS\n")
    foreach(thunk IN LISTS thunks)
      string(REGEX REPLACE "^[0-9a-f]+ T _" "" thunk "${thunk}")
      if(thunk IN_LIST slot_names)
        string(APPEND def "${thunk}\n")
      endif()
    endforeach()
    file(WRITE "${dir}/${name}.def" "${def}")
    execute_process(COMMAND "${LUMACAST_DLLTOOL}" --input-def "${dir}/${name}.def" --dllname "${dll_name}"
                            --kill-at --output-delaylib "${output}"
                    RESULT_VARIABLE rc ERROR_VARIABLE error)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dlltool could not make ${output}: ${error}")
    endif()
  endif()
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

function(lumacast_link_system_dlls target)
  if(NOT WIN32)
    return()
  endif()
  set(libs ${ARGN})
  if(NOT libs)
    set(libs ${LUMACAST_DEFAULT_SYSTEM_DLLS})
  endif()
  foreach(lib IN LISTS libs)
    string(TOLOWER "${lib}" lib)
    if(lib IN_LIST LUMACAST_KNOWN_DLLS OR lib IN_LIST LUMACAST_STATIC_SYSTEM_LIBS)
      target_link_libraries(${target} PRIVATE ${lib})
    else()
      # Whole archive: every function of the DLL is then defined by the
      # delay-load thunks before the linker meets the DLL's ordinary import
      # library, which other libraries may pull in later on the line.
      if(NOT TARGET lumacast_delay_${lib})
        _lumacast_delay_library(${lib} delay_lib)
        add_library(lumacast_delay_${lib} STATIC IMPORTED GLOBAL)
        set_target_properties(lumacast_delay_${lib} PROPERTIES IMPORTED_LOCATION "${delay_lib}")
      endif()
      target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,lumacast_delay_${lib}>")
    endif()
  endforeach()
  # The hook that sends delay loads to the system folder must win over
  # mingw's empty default (which lives in libmingwex, linked last).
  target_link_libraries(${target} PRIVATE lumacast_system_library)
  target_link_options(${target} PRIVATE "LINKER:--undefined=___pfnDliNotifyHook2")
endfunction()
