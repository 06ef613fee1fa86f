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

# The installer context (paths, channel, package address) the flow works in.
if(TARGET lumacast_installer_context)
  target_link_libraries(lumacast_flow PUBLIC lumacast_installer_context)
elseif(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/installer_context.cc")
  target_sources(lumacast_flow PRIVATE installer_context.cc)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/installer_context_${LUMACAST_PLATFORM}.cc")
    lumacast_platform_sources(lumacast_flow installer_context)
  endif()
endif()

# The publisher signature check of the downloaded package.
if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/setup_signature.h")
  if(TARGET lumacast_setup_signature)
    target_link_libraries(lumacast_flow PUBLIC lumacast_setup_signature)
    target_compile_definitions(lumacast_flow PRIVATE LUMACAST_HAVE_SETUP_SIGNATURE)
  else()
    message(STATUS "lumacast_flow: no signature verifier target yet; packages are not checked")
  endif()
endif()

list(APPEND LUMACAST_APP_LIBS lumacast_flow)

# lumacast-flow: runs the whole flow headless and prints what a window would
# show. A developer tool; the product reads no switch.
add_executable(lumacast_flow_driver flow_driver/flow_driver.cc flow_driver/console_view.cc)
set_target_properties(lumacast_flow_driver PROPERTIES OUTPUT_NAME lumacast-flow)
target_link_libraries(lumacast_flow_driver PRIVATE lumacast_flow lumacast_startup)
if(WIN32)
  target_link_options(lumacast_flow_driver PRIVATE -municode -static -static-libgcc -static-libstdc++)
endif()
