# The wizard's pictures and licence text, embedded as RCDATA 201..205. The two
# pictures are drawn by tools/make_pictures.py and kept in this folder, so that they
# can be looked at; a unit test checks that the tool still draws exactly these bytes.
# The licence is kept here as plain text and packed at build time into one zlib stream.
set(SORVANE_WIZARD_RC ${CMAKE_CURRENT_LIST_DIR}/wizard_resources.rc)
set(_sorvane_wizard_packed_dir ${CMAKE_BINARY_DIR}/packed)
set(_sorvane_licence_packed ${_sorvane_wizard_packed_dir}/licence_tr.z)
add_custom_command(OUTPUT ${_sorvane_licence_packed}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_sorvane_wizard_packed_dir}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/pack_payload.py --text
    ${CMAKE_CURRENT_LIST_DIR}/licence_tr.txt ${_sorvane_licence_packed}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/licence_tr.txt ${CMAKE_SOURCE_DIR}/tools/pack_payload.py
  COMMENT "Packing the licence" VERBATIM)
add_custom_target(sorvane_wizard_resources DEPENDS ${_sorvane_licence_packed})
set(SORVANE_WIZARD_RESOURCE_FILES
  ${CMAKE_CURRENT_LIST_DIR}/welcome.gif
  ${CMAKE_CURRENT_LIST_DIR}/logo.gif
  ${CMAKE_CURRENT_LIST_DIR}/welcome_2x.gif
  ${CMAKE_CURRENT_LIST_DIR}/logo_2x.gif
  ${_sorvane_licence_packed})
# windres reports no dependencies, so the embedded files are listed here.
set_source_files_properties(${SORVANE_WIZARD_RC} PROPERTIES
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR};${_sorvane_wizard_packed_dir}"
  OBJECT_DEPENDS "${SORVANE_WIZARD_RESOURCE_FILES}")
