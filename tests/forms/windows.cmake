# The form service's windows driven from the keyboard, offscreen, through the scripted prompter.
find_package(Qt6 REQUIRED COMPONENTS Test)

add_executable(forms_windows_test
  WindowsTestMain.cpp
  WindowsTestArchive.cpp
  RowEditorTest.cpp
  FieldEditorTest.cpp
  SelectionListTest.cpp
  EngineDialogsTest.cpp
  WindowLayoutTest.cpp
  SaleWindowsTest.cpp
  MasterDataWindowsTest.cpp
)
target_link_libraries(forms_windows_test PRIVATE
  tessarin_forms tessarin_model tessarin_test_support GTest::gtest GTest::gmock Qt6::Test)
gtest_discover_tests(forms_windows_test
  PROPERTIES LABELS forms ENVIRONMENT QT_QPA_PLATFORM=offscreen DISCOVERY_TIMEOUT 60)
