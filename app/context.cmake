# The installer's context (channel, folders, package address), included by
# app/CMakeLists.txt.
add_library(lumacast_context STATIC ${CMAKE_CURRENT_LIST_DIR}/installer_context.cc)
target_sources(lumacast_context PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/installer_context_${LUMACAST_PLATFORM}.cc)
target_include_directories(lumacast_context PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumacast_context PUBLIC lumacast_report lumacast_registry nbase)
if(WIN32)
  target_link_libraries(lumacast_context PUBLIC shell32 ole32)
endif()
