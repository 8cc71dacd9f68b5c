# The grid and tree models on real archives, under Qt's model tester, in real views offscreen.
find_package(Qt6 REQUIRED COMPONENTS Test)
set(FORMS_GRID_TESTS ${CMAKE_CURRENT_LIST_DIR})

function(tessarin_forms_grid_test name source)
  add_executable(${name} ${FORMS_GRID_TESTS}/${source} ${FORMS_GRID_TESTS}/FormsTestMain.h)
  target_link_libraries(${name} PRIVATE tessarin_forms engine_test_schema Qt6::Test)
  # The engine tests' small archive definition.
  target_include_directories(${name} PRIVATE ${FORMS_GRID_TESTS}/../engine)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS forms ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

tessarin_forms_grid_test(forms_grid_model_test DbmsGridModelTest.cpp)
tessarin_forms_grid_test(forms_tree_model_test DbmsTreeModelTest.cpp)

tessarin_forms_grid_test(forms_generated_archive_test GeneratedArchiveGridTest.cpp)
target_link_libraries(forms_generated_archive_test PRIVATE tessarin_model tessarin_archive_gen)
