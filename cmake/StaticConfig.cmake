# Copies the shipped static configuration beside the program, where the
# engine reads it at start-up. Copied again whenever the source changes.
set(ZIB_STATIC_CONFIG_SOURCE ${CMAKE_SOURCE_DIR}/config/Skerrion2demo.cfg.static)
set(ZIB_STATIC_CONFIG ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skerrion2demo.cfg.static)
add_custom_command(
  OUTPUT ${ZIB_STATIC_CONFIG}
  COMMAND ${CMAKE_COMMAND} -E copy ${ZIB_STATIC_CONFIG_SOURCE} ${ZIB_STATIC_CONFIG}
  DEPENDS ${ZIB_STATIC_CONFIG_SOURCE}
  COMMENT "Copying Skerrion2demo.cfg.static beside the program"
  VERBATIM)
add_custom_target(static_config ALL DEPENDS ${ZIB_STATIC_CONFIG})
if(TARGET skerrion2)
  add_dependencies(skerrion2 static_config)
endif()
