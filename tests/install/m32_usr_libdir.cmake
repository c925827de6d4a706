# A 32-bit build configured for an install to /usr puts its libraries and
# pkg-config files in the i386 multiarch folder, never in the native one.
# Run with -DSOURCE=<tree> -DBINARY=<scratch build folder>.
file(REMOVE_RECURSE ${BINARY})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DOMBIX_M32=ON -DCMAKE_INSTALL_PREFIX=/usr
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configure failed: ${errors}")
endif()
file(STRINGS ${BINARY}/CMakeCache.txt libdir REGEX "^CMAKE_INSTALL_LIBDIR:")
file(REMOVE_RECURSE ${BINARY})
if(NOT libdir STREQUAL "CMAKE_INSTALL_LIBDIR:PATH=lib/i386-linux-gnu")
  message(FATAL_ERROR "a 32-bit install to /usr goes to ${libdir}")
endif()
