# The dashboard's page weight and time to the first complete board view in
# headless Chromium, beside an empty page of the same server (dashboard_bench.cpp).
# Needs node, chromium and the npm packages of tests/browser, installed into
# the build folder by tests/browser/install-node-modules.sh.
find_program(NODE_PROGRAM node)
if(NODE_PROGRAM)
  add_executable(dashboard_bench ${CMAKE_CURRENT_LIST_DIR}/dashboard_bench.cpp)
  target_link_libraries(dashboard_bench PRIVATE benchmark::benchmark_main)
  target_compile_definitions(dashboard_bench PRIVATE OMBIX_NODE_PROGRAM="${NODE_PROGRAM}"
    OMBIX_DASHBOARD_DRIVER="${CMAKE_CURRENT_LIST_DIR}/dashboard_driver.mjs" OMBIX_OMBIXD="$<TARGET_FILE:ombixd>"
    OMBIX_BROWSER_NODE_MODULES="${CMAKE_BINARY_DIR}/browser-node")
  add_dependencies(dashboard_bench ombixd)
endif()
