# Signing with the publisher's certificate, optional. Configured with SORVANE_SIGN_PFX in
# the environment (a PKCS#12 file), every payload program is signed before it is packed
# and the setup is signed last; SORVANE_SIGN_PASSWORD, its password, is read by the
# signing step from the build's environment and so never lands in the cache, and
# SORVANE_SIGN_TIME (a Unix time) fixes the signing time. Without a certificate nothing of
# this is in the build.
set(SORVANE_SIGN_PFX "$ENV{SORVANE_SIGN_PFX}")
set(SORVANE_SIGN_TIME "$ENV{SORVANE_SIGN_TIME}")
set(SORVANE_SIGNING OFF)
if(SORVANE_WINDOWS AND NOT SORVANE_SIGN_PFX STREQUAL "")
  cmake_path(ABSOLUTE_PATH SORVANE_SIGN_PFX NORMALIZE)
  if(NOT EXISTS "${SORVANE_SIGN_PFX}")
    message(FATAL_ERROR "SORVANE_SIGN_PFX=${SORVANE_SIGN_PFX}: no such certificate file")
  endif()
  if(NOT SORVANE_SIGN_TIME STREQUAL "" AND NOT SORVANE_SIGN_TIME MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SORVANE_SIGN_TIME=${SORVANE_SIGN_TIME} is not a Unix time")
  endif()
  if(NOT DEFINED ENV{SORVANE_SIGN_PASSWORD})
    message(FATAL_ERROR "SORVANE_SIGN_PFX is set but SORVANE_SIGN_PASSWORD is not")
  endif()
  find_program(SORVANE_OSSLSIGNCODE osslsigncode)
  if(NOT SORVANE_OSSLSIGNCODE)
    message(FATAL_ERROR "signing needs osslsigncode (Debian package osslsigncode)")
  endif()
  set(SORVANE_SIGNING ON)
  set(SORVANE_SIGNED_DIR ${CMAKE_BINARY_DIR}/signed)
  set(SORVANE_SIGN_COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/sign_program.py
    --pfx ${SORVANE_SIGN_PFX})
  if(NOT SORVANE_SIGN_TIME STREQUAL "")
    list(APPEND SORVANE_SIGN_COMMAND --time ${SORVANE_SIGN_TIME})
  endif()
  file(MAKE_DIRECTORY ${SORVANE_SIGNED_DIR})
  message(STATUS "Signing with ${SORVANE_SIGN_PFX}")
endif()

# The file that is packed for payload |target|: the program itself, or its signed copy
# in build/<preset>/signed/, made by a rule added here.
function(sorvane_signed_payload target out_var)
  if(NOT SORVANE_SIGNING)
    set(${out_var} $<TARGET_FILE:${target}> PARENT_SCOPE)
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  get_target_property(suffix ${target} SUFFIX)
  set(signed ${SORVANE_SIGNED_DIR}/${name}${suffix})
  add_custom_command(OUTPUT ${signed}
    COMMAND ${SORVANE_SIGN_COMMAND} $<TARGET_FILE:${target}> ${signed}
    DEPENDS ${target} ${CMAKE_SOURCE_DIR}/tools/sign_program.py
    COMMENT "Signing ${name}${suffix}" VERBATIM)
  set(${out_var} ${signed} PARENT_SCOPE)
endfunction()

# Signs program |target| in place once it is linked; called last, for the setup.
function(sorvane_sign_program target)
  if(SORVANE_SIGNING)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${SORVANE_SIGN_COMMAND} --in-place $<TARGET_FILE:${target}>
      COMMENT "Signing $<TARGET_FILE_NAME:${target}>" VERBATIM)
  endif()
endfunction()
