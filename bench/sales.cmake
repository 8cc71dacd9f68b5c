# The counter on the big generated archive: customer, article line and confirm of the sale
# window, beside comparable work straight through SQLite (included by bench/CMakeLists.txt).
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(sales_bench ${CMAKE_CURRENT_LIST_DIR}/sales_bench.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchGenerated.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchArchive.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchReport.cpp)
target_include_directories(sales_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sales_bench PRIVATE tessarin_app tessarin_archive_gen tessarin_test_support
                                          benchmark::benchmark SQLite::SQLite3 Qt6::Widgets)
