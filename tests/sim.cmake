# The simulated meter: on virtual time, and end to end over a pseudo-terminal.
tm_test(sim_tests sim_test.cpp LIBS tm_sim tm_sim_pty)
tm_test(pty_tests pty_test.cpp LIBS tm_sim_pty tm_e2e_support)
add_dependencies(pty_tests tm517sim)
