# Printing the generated archive's operations to PDF and previewing them, beside the engine
# merely reading the same rows (included by bench/CMakeLists.txt).
add_executable(reports_bench ${CMAKE_CURRENT_LIST_DIR}/reports_bench.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/BenchGenerated.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/BenchArchive.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/BenchReport.cpp)
target_include_directories(reports_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(reports_bench PRIVATE tessarin_reports tessarin_session tessarin_archive_gen
                                            benchmark::benchmark SQLite::SQLite3 Qt6::Gui)
