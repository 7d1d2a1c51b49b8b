# Packs assets/ into the edition's data archive beside the program, which the
# game mounts at start-up. Repacked whenever an asset or the packer changes.
file(GLOB_RECURSE ZIB_ASSET_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*)
set(ZIB_DATA_ARCHIVE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skerrion2demo.dat)
add_custom_command(
  OUTPUT ${ZIB_DATA_ARCHIVE}
  COMMAND wadpack pack ${ZIB_DATA_ARCHIVE} ${CMAKE_SOURCE_DIR}/assets --compress
  DEPENDS wadpack ${ZIB_ASSET_FILES}
  COMMENT "Packing assets into Skerrion2demo.dat"
  VERBATIM)
add_custom_target(pack_assets ALL DEPENDS ${ZIB_DATA_ARCHIVE})

# The unit tests run the packer end to end.
if(TARGET zibtests)
  add_dependencies(zibtests wadpack)
endif()
