# The payloads' logic that needs no Win32: built into the programs and into the
# native unit tests from this one list.
add_library(sorvane_payload_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/common/language.cpp
  ${CMAKE_CURRENT_LIST_DIR}/common/command_fields.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marrow/helper_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pellin/provider_chain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uninstall/uninstall_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uninstall/removal_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uninstall/tree_removal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uninstall/removal_report.cpp
  # The log's rules, shared with the setup.
  ${CMAKE_CURRENT_LIST_DIR}/../core/run_log_rules.cpp
)
target_include_directories(sorvane_payload_logic PUBLIC ${CMAKE_SOURCE_DIR})
