# Opening the "Lista Operazioni" view of the main window on generated archives, beside the same
# first screen read straight through SQLite (included by bench/CMakeLists.txt).
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(views_bench ${CMAKE_CURRENT_LIST_DIR}/views_bench.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchGenerated.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchArchive.cpp
                           ${CMAKE_CURRENT_LIST_DIR}/BenchReport.cpp)
target_include_directories(views_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(views_bench PRIVATE tessarin_app tessarin_archive_gen tessarin_test_support
                                          benchmark::benchmark SQLite::SQLite3 Qt6::Widgets)
