# The detail views' layout, scale and text rules, as plain functions.
vantorel_test(ui_view_geometry_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ViewGeometryTest.cpp
    LIBS vantorel_ui)
