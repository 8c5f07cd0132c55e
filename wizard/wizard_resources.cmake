# The wizard's pictures and licence text, embedded as RCDATA 201..203. The two
# pictures are drawn by tools/make_pictures.py and kept in this folder, so that they
# can be looked at; a unit test checks that the tool still draws exactly these bytes.
set(SORVANE_WIZARD_RC ${CMAKE_CURRENT_LIST_DIR}/wizard_resources.rc)
set(SORVANE_WIZARD_RESOURCE_FILES
  ${CMAKE_CURRENT_LIST_DIR}/welcome.gif
  ${CMAKE_CURRENT_LIST_DIR}/logo.gif
  ${CMAKE_CURRENT_LIST_DIR}/licence_tr.txt)
# windres reports no dependencies, so the embedded files are listed here.
set_source_files_properties(${SORVANE_WIZARD_RC} PROPERTIES
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}"
  OBJECT_DEPENDS "${SORVANE_WIZARD_RESOURCE_FILES}")
