# Grids: the paged table model, the summary tree model and their binding to views.
target_sources(tessarin_forms PRIVATE
  DbmsGridModel.h
  DbmsGridModel.cpp
  DbmsTreeModel.h
  DbmsTreeModel.cpp
  DbmsFormServiceGrid.cpp
)
