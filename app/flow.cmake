# The install flow without a window (lumacast_flow) and its console driver
# (lumacast-flow). Included by app/CMakeLists.txt; appends the library to
# LUMACAST_APP_LIBS.
if(NOT TARGET nbase OR NOT TARGET lumacast_report)
  message(STATUS "lumacast_flow: waiting for nbase and lumacast_report")
  return()
endif()

add_library(lumacast_flow STATIC
  executable_header.cc
  install_flow.cc
  install_progress.cc
  install_results.cc
  installed_state.cc
  open_in_browser.cc
  process_control.cc
  setup_download.cc
  setup_run.cc
  setup_signature_check.cc)
lumacast_platform_sources(lumacast_flow held_file open_in_browser process_control setup_download)
target_include_directories(lumacast_flow PUBLIC "${PROJECT_SOURCE_DIR}")
target_link_libraries(lumacast_flow PUBLIC nbase lumacast_build_config lumacast_report lumacast_registry)
if(WIN32)
  # urlmon and wininet are loaded from the system folder at run time.
  target_link_libraries(lumacast_flow PUBLIC ole32 uuid shell32 user32 kernel32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LUMACAST_FLOW_CURL REQUIRED IMPORTED_TARGET libcurl)
  target_link_libraries(lumacast_flow PUBLIC PkgConfig::LUMACAST_FLOW_CURL)
endif()

# The installer context (paths, channel, package address) the flow works in;
# the target is defined by context.cmake, which app/CMakeLists.txt includes.
if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/context.cmake")
  target_link_libraries(lumacast_flow PUBLIC lumacast_context)
endif()

# The publisher signature check of the downloaded package, and the loader
# that takes system DLLs from the system folder only.
if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/signature.cmake")
  include("${CMAKE_CURRENT_SOURCE_DIR}/signature.cmake")
endif()
if(TARGET lumacast_signature)
  target_link_libraries(lumacast_flow PUBLIC lumacast_signature)
  target_compile_definitions(lumacast_flow PRIVATE LUMACAST_HAVE_SETUP_SIGNATURE)
else()
  message(WARNING "lumacast_flow: no signature verifier; downloaded packages are not checked")
endif()

list(APPEND LUMACAST_APP_LIBS lumacast_flow)

if(NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/context.cmake")
  return()
endif()

# lumacast-flow: runs the whole flow headless and prints what a window would
# show. A developer tool; the product reads no switch.
add_executable(lumacast_flow_driver flow_driver/flow_driver.cc flow_driver/console_view.cc)
set_target_properties(lumacast_flow_driver PROPERTIES OUTPUT_NAME lumacast-flow)
target_link_libraries(lumacast_flow_driver PRIVATE lumacast_flow lumacast_startup)
if(WIN32)
  target_link_options(lumacast_flow_driver PRIVATE -municode -static -static-libgcc -static-libstdc++)
  # Like the installer, system DLLs that are not known DLLs load from the
  # system folder on first use.
  if(COMMAND lumacast_link_system_dlls)
    lumacast_link_system_dlls(lumacast_flow_driver bcrypt crypt32 version winmm)
  endif()
endif()
