# arcgsm: range selection, node directory, the window's call and reads on virtual time, and
# the program end to end over a pseudo-terminal with its window offscreen.
tm_test(range_selection_tests range_selection_test.cpp LIBS tm_archive)
tm_test(node_directory_tests node_directory_test.cpp LIBS tm_gsm)
tm_test(arcgsm_form_tests arcgsm_form_test.cpp LIBS tm_arcgsm_form tm_sim tm_platform_virtual tm_app_common)
tm_test(arcgsm_e2e_tests arcgsm_e2e_test.cpp
  LIBS tm_arcgsm_form tm_platform_widgets tm_platform_virtual)
add_dependencies(arcgsm_e2e_tests arcgsm tm517sim)
