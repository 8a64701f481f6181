# The Qt window of the forms, on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
tm_test(window_tests window_test.cpp LIBS tm_platform_widgets Qt6::Test)
tm_test(port_list_tests port_list_test.cpp LIBS tm_platform_widgets)
