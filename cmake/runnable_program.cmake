# ombix_runnable_program(TARGET VARIABLE): sets VARIABLE to a path that runs
# the program of TARGET from a test: the program itself, or, where 32-bit
# programs need an emulator (m32_runner.cmake), a launcher script beside the
# build that starts it under the emulator with the same arguments.
function(ombix_runnable_program target variable)
  if(NOT OMBIX_TEST_EMULATOR)
    set(${variable} $<TARGET_FILE:${target}> PARENT_SCOPE)
    return()
  endif()
  get_target_property(directory ${target} BINARY_DIR)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(launcher ${CMAKE_BINARY_DIR}/launchers/${target})
  file(WRITE ${launcher} "#!/bin/sh\nexec ${OMBIX_TEST_EMULATOR} \"${directory}/${name}\" \"$@\"\n")
  file(CHMOD ${launcher} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                     WORLD_READ WORLD_EXECUTE)
  set(${variable} ${launcher} PARENT_SCOPE)
endfunction()
