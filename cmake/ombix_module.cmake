# ombix_add_module(NAME DESCRIPTION SOURCES...): one API module as a static and
# a shared library (targets NAME_static and NAME_shared, both named NAME), with
# the shared library's exports limited by exports.map beside the sources, and
# the library, its header NAME.h and NAME.pc installed.
function(ombix_add_module name description)
  set(sources ${ARGN} $<TARGET_OBJECTS:ombix_protocol>)
  foreach(kind STATIC SHARED)
    string(TOLOWER ${kind} suffix)
    set(target ${name}_${suffix})
    add_library(${target} ${kind} ${sources})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name})
    target_include_directories(${target}
      PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/ombix>
      PRIVATE ${PROJECT_SOURCE_DIR}/protocol)
    target_link_libraries(${target} PUBLIC PkgConfig::JANSSON ombix_api_headers)
    target_compile_options(${target} PRIVATE ${OMBIX_MODULE_CXX_FLAGS})
  endforeach()

  set(exports ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
  set_target_properties(${name}_shared PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
  target_link_options(${name}_shared PRIVATE -Wl,--version-script=${exports})
  set_property(TARGET ${name}_shared APPEND PROPERTY LINK_DEPENDS ${exports})

  install(TARGETS ${name}_static ${name}_shared
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${name}.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ombix)
  ombix_install_pkg_config(${name} "${description}")
endfunction()

# ombix_install_pkg_config(NAME DESCRIPTION): installs NAME.pc for library NAME.
function(ombix_install_pkg_config name description)
  set(PC_NAME ${name})
  set(PC_DESCRIPTION "${description}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/module.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
