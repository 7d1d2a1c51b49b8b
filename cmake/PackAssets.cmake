# Packs assets/ into the edition's data archive beside the program, which the
# game mounts at start-up. The skin description caches (".ini.preload") are
# derived in a staging copy, never in the source tree, and packed with the
# rest, as are the glyph pages that fontbake bakes from the installed fonts. Repacked whenever an asset, the cache writer or the packer changes.
file(GLOB_RECURSE ZIB_ASSET_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*)
set(ZIB_DATA_ARCHIVE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skerrion2demo.dat)
set(ZIB_ASSET_STAGING ${CMAKE_BINARY_DIR}/assets-staging)
add_custom_command(
  OUTPUT ${ZIB_DATA_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZIB_ASSET_STAGING}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/assets ${ZIB_ASSET_STAGING}
  COMMAND fontbake ${ZIB_ASSET_STAGING}
  COMMAND preload ${ZIB_ASSET_STAGING}
  COMMAND wadpack pack ${ZIB_DATA_ARCHIVE} ${ZIB_ASSET_STAGING} --compress
  DEPENDS wadpack preload fontbake ${ZIB_ASSET_FILES}
  COMMENT "Packing assets into Skerrion2demo.dat"
  VERBATIM)
add_custom_target(pack_assets ALL DEPENDS ${ZIB_DATA_ARCHIVE})

# The unit tests run the packer end to end and check the packed archive.
if(TARGET zibtests)
  add_dependencies(zibtests wadpack pack_assets)
endif()
