# Payload authenticity and DLL-planting defence: lumacast_system_library (the
# system-folder loader and the delay-load hook) and lumacast_signature (the
# setup package's signature check). Written so it can be included from any
# folder; the first inclusion defines the targets.
include_guard(GLOBAL)
include("${PROJECT_SOURCE_DIR}/tools/signing/keys.cmake")

add_library(lumacast_system_library STATIC
  "${CMAKE_CURRENT_LIST_DIR}/system_library_${LUMACAST_PLATFORM}.cc")
target_include_directories(lumacast_system_library PUBLIC "${PROJECT_SOURCE_DIR}")

add_library(lumacast_signature STATIC
  "${CMAKE_CURRENT_LIST_DIR}/setup_signature_${LUMACAST_PLATFORM}.cc")
target_include_directories(lumacast_signature PUBLIC "${PROJECT_SOURCE_DIR}")
target_link_libraries(lumacast_signature PUBLIC lumacast_system_library)
if(WIN32)
  target_compile_definitions(lumacast_signature PRIVATE
    LUMACAST_SETUP_PUBLISHER="${LUMACAST_SETUP_PUBLISHER}")
else()
  find_package(OpenSSL REQUIRED)
  target_include_directories(lumacast_signature PRIVATE "${LUMACAST_SIGNING_INCLUDE_DIR}")
  target_link_libraries(lumacast_signature PRIVATE OpenSSL::Crypto)
endif()
