# The grid model scrolling a million rows, beside raw SQLite (included by bench/CMakeLists.txt).
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(grid_bench ${CMAKE_CURRENT_LIST_DIR}/grid_bench.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/BenchArchive.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/BenchReport.cpp)
target_include_directories(grid_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(grid_bench PRIVATE tessarin_forms benchmark::benchmark SQLite::SQLite3
                                         Qt6::Widgets)
