# Packs assets/ into the edition's data archive beside the program, which the
# game mounts at start-up. The skin description caches (".ini.preload") are
# derived in a staging copy, never in the source tree, and packed with the
# rest. Repacked whenever an asset, the cache writer or the packer changes.
file(GLOB_RECURSE ZIB_ASSET_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*)
set(ZIB_DATA_ARCHIVE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skerrion2demo.dat)
set(ZIB_ASSET_STAGING ${CMAKE_BINARY_DIR}/assets-staging)
add_custom_command(
  OUTPUT ${ZIB_DATA_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZIB_ASSET_STAGING}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/assets ${ZIB_ASSET_STAGING}
  COMMAND preload ${ZIB_ASSET_STAGING}
  COMMAND wadpack pack ${ZIB_DATA_ARCHIVE} ${ZIB_ASSET_STAGING} --compress
  DEPENDS wadpack preload ${ZIB_ASSET_FILES}
  COMMENT "Packing assets into Skerrion2demo.dat"
  VERBATIM)
add_custom_target(pack_assets ALL DEPENDS ${ZIB_DATA_ARCHIVE})

# The glyph fonts that fontbake bakes from the installed fonts, in the font
# archive beside the program, which the loading screen mounts.
set(ZIB_FONT_ARCHIVE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/fonts.dat)
set(ZIB_FONT_STAGING ${CMAKE_BINARY_DIR}/fonts-staging)
add_custom_command(
  OUTPUT ${ZIB_FONT_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZIB_FONT_STAGING}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZIB_FONT_STAGING}
  COMMAND fontbake ${ZIB_FONT_STAGING}
  COMMAND preload ${ZIB_FONT_STAGING}
  COMMAND wadpack pack ${ZIB_FONT_ARCHIVE} ${ZIB_FONT_STAGING} --compress
  DEPENDS wadpack preload fontbake
  COMMENT "Baking the glyph fonts into fonts.dat"
  VERBATIM)
add_custom_target(pack_fonts ALL DEPENDS ${ZIB_FONT_ARCHIVE})
add_dependencies(pack_assets pack_fonts)

# The unit tests run the packer end to end and check the packed archive.
if(TARGET zibtests)
  add_dependencies(zibtests wadpack pack_assets)
endif()

# One archive per language beside the program, "<ISO code>.language.v2",
# from languages/<ISO code>/: the texts and pictures of that language.
file(GLOB ZIB_LANGUAGE_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/languages/*)
set(ZIB_LANGUAGE_ARCHIVES)
foreach(dir ${ZIB_LANGUAGE_DIRS})
  if(IS_DIRECTORY ${dir})
    get_filename_component(code ${dir} NAME)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*)
    set(archive ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${code}.language.v2)
    add_custom_command(
      OUTPUT ${archive}
      COMMAND wadpack pack ${archive} ${dir} --compress
      DEPENDS wadpack ${files}
      COMMENT "Packing ${code}.language.v2"
      VERBATIM)
    list(APPEND ZIB_LANGUAGE_ARCHIVES ${archive})
  endif()
endforeach()
add_custom_target(pack_languages ALL DEPENDS ${ZIB_LANGUAGE_ARCHIVES})
add_dependencies(pack_assets pack_languages)
