# The traffic trace of the serial port, on virtual time and the in-memory line.
tm_test(trace_tests trace_test.cpp LIBS tm_platform_virtual)
