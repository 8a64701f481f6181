# arcgsm: range selection and node directory.
tm_test(range_selection_tests range_selection_test.cpp LIBS tm_archive)
tm_test(node_directory_tests node_directory_test.cpp LIBS tm_gsm)
