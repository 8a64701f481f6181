# Reliability: faulty lines, lost ports, failing disks and bad input, on virtual time and end
# to end over pseudo-terminals.
tm_test(reliability_tests reliability_test.cpp
  LIBS tm_arcread_form tm_arcgsm_form tm_sim tm_platform_virtual tm_app_common)
tm_test(reliability_e2e_tests reliability_e2e_test.cpp LIBS tm_e2e_support tm_export tm_sim_pty)
add_dependencies(reliability_e2e_tests arcread arcgsm linkmon tm517sim)
