tm_test(export_tests export_test.cpp LIBS tm_export)
