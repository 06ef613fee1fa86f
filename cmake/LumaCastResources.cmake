# lumacast_embed_resources(<target> [MANIFEST] [VERSION] [THEME] [CHANNEL]
#                          [CHANNEL_FILE <file>] [ORIGINAL_NAME <file name>])
#
# Puts the program's own resources into <target>:
#   MANIFEST  the application manifest (administrator rights, supported systems)
#   VERSION   the version resource (file version ${PROJECT_VERSION})
#   THEME     the zipped theme tree, type "THEME" id 136
#   CHANNEL   the channel text, type "CHANNEL" id 138: the build's channel, or
#             the text of CHANNEL_FILE (the release links one program per channel)
# ORIGINAL_NAME is the version resource's file name; it defaults to the
# target's, and must be given for an object library.
# On Windows this is a generated .rc file. Elsewhere THEME and CHANNEL become
# read-only data through the assembler's .incbin (MANIFEST and VERSION mean
# nothing there); app/embedded_resources.h reads them back on both platforms,
# and a blob left out is simply not found.
set(_lumacast_resources_dir "${CMAKE_CURRENT_LIST_DIR}")

function(lumacast_embed_resources target)
  cmake_parse_arguments(R "MANIFEST;VERSION;THEME;CHANNEL" "CHANNEL_FILE;ORIGINAL_NAME" "" ${ARGN})
  if(NOT R_CHANNEL_FILE)
    set(R_CHANNEL_FILE "${LUMACAST_CHANNEL_FILE}")
  endif()
  set(blobs "")
  set(depends "")
  if(R_THEME)
    list(APPEND blobs "136;THEME;${LUMACAST_THEME_ZIP}")
    list(APPEND depends "${LUMACAST_THEME_ZIP}")
    add_dependencies(${target} lumacast_theme_zip)
  endif()
  if(R_CHANNEL)
    list(APPEND blobs "138;CHANNEL;${R_CHANNEL_FILE}")
    list(APPEND depends "${R_CHANNEL_FILE}")
  endif()
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")

  if(WIN32)
    set(rc "#include <winresrc.h>\n")
    if(R_MANIFEST)
      string(APPEND rc "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${_lumacast_resources_dir}/installer.manifest\"\n")
      list(APPEND depends "${_lumacast_resources_dir}/installer.manifest")
    endif()
    if(R_VERSION)
      set(LUMACAST_RC_ORIGINAL_NAME "$<TARGET_FILE_NAME:${target}>")
      if(R_ORIGINAL_NAME)
        set(LUMACAST_RC_ORIGINAL_NAME "${R_ORIGINAL_NAME}")
      endif()
      file(READ "${_lumacast_resources_dir}/version.rc.in" version_block)
      string(CONFIGURE "${version_block}" version_block @ONLY)
      string(APPEND rc "${version_block}")
    endif()
    while(blobs)
      list(POP_FRONT blobs id type path)
      string(APPEND rc "${id} ${type} \"${path}\"\n")
    endwhile()
    file(GENERATE OUTPUT "${out_dir}/resources.rc" CONTENT "${rc}")
    target_sources(${target} PRIVATE "${out_dir}/resources.rc")
    set_source_files_properties("${out_dir}/resources.rc" TARGET_DIRECTORY ${target}
      PROPERTIES OBJECT_DEPENDS "${depends}")
  else()
    set(asm "")
    while(blobs)
      list(POP_FRONT blobs id type path)
      set(sym "lumacast_res_${type}_${id}")
      string(APPEND asm
        "  .section .rodata.${sym},\"a\"\n"
        "  .balign 16\n"
        "  .globl ${sym}_begin\n"
        "  .globl ${sym}_end\n"
        "${sym}_begin:\n"
        "  .incbin \"${path}\"\n"
        "${sym}_end:\n"
        "  .byte 0\n")
    endwhile()
    string(APPEND asm "  .section .note.GNU-stack,\"\",@progbits\n")
    file(GENERATE OUTPUT "${out_dir}/resources.S" CONTENT "${asm}")
    target_sources(${target} PRIVATE "${out_dir}/resources.S")
    set_source_files_properties("${out_dir}/resources.S" TARGET_DIRECTORY ${target}
      PROPERTIES OBJECT_DEPENDS "${depends}")
  endif()
endfunction()
