# The executable's own resources: manifest, version block and the program icon,
# which tools/make_icon.py draws at build time.
set(SORVANE_APP_RC ${CMAKE_CURRENT_LIST_DIR}/sorvane_setup.rc)
set(_sorvane_icon_dir ${CMAKE_CURRENT_BINARY_DIR}/resources)
set(_sorvane_icon ${_sorvane_icon_dir}/sorvane_setup.ico)

add_custom_command(OUTPUT ${_sorvane_icon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_sorvane_icon_dir}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_icon.py ${_sorvane_icon}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_icon.py
  COMMENT "Drawing the program icon" VERBATIM)
add_custom_target(sorvane_app_resources DEPENDS ${_sorvane_icon})

# windres looks up the files the script names in its include folders; it
# reports no dependencies, so they are listed here.
set_source_files_properties(${SORVANE_APP_RC} PROPERTIES
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR};${_sorvane_icon_dir}"
  OBJECT_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/sorvane_setup.manifest;${_sorvane_icon}")
