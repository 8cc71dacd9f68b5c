# The form service's windows: row editor, selection and row lists, field editor, the engine's
# dialogs, text box binding and the data export command.
target_sources(tessarin_forms PRIVATE
  DbmsFormService.cpp
  DbmsConfirmDialog.cpp
  DbmsFieldEditor.cpp
  DbmsFieldEditorDialog.cpp
  DbmsRowEditor.cpp
  DbmsSelectionList.cpp
  DbmsPredefinedSelections.cpp
  DbmsFieldSequence.cpp
  DbmsComplexFilter.cpp
  DbmsCombinedOrder.cpp
  DbmsTextBinding.cpp
  DbmsCsvExport.cpp
)
