# Base64 throughput on transfer-sized buffers, beside two well-known scalar
# codecs measured in the same run. The baselines are linked here only.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BASE64_BASELINE_CRYPTO REQUIRED IMPORTED_TARGET libcrypto)
find_library(BASE64_BASELINE_MODP modpbase64 REQUIRED)
add_executable(base64_bench ${CMAKE_CURRENT_LIST_DIR}/base64_bench.cpp $<TARGET_OBJECTS:ombix_protocol>)
target_include_directories(base64_bench PRIVATE ${PROJECT_SOURCE_DIR}/protocol)
target_link_libraries(base64_bench PRIVATE PkgConfig::JANSSON ombix_api_headers PkgConfig::BASE64_BASELINE_CRYPTO
                                           ${BASE64_BASELINE_MODP} benchmark::benchmark_main)
