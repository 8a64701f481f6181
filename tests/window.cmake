# The Qt window of the forms, on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
tm_test(window_tests window_test.cpp LIBS tm_platform_widgets Qt6::Test)
