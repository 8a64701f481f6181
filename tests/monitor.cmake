# The live monitor: poll cycle, display and headless runner on virtual time; linkmon end to
# end over a pseudo-terminal, and its window offscreen.
tm_test(monitor_tests monitor_test.cpp LIBS tm_linkmon tm_platform_virtual)

tm_test(linkmon_e2e_tests linkmon_e2e_test.cpp LIBS tm_linkmon tm_platform_widgets
  tm_platform_virtual)
add_dependencies(linkmon_e2e_tests linkmon)
if(TARGET tm517sim)
  add_dependencies(linkmon_e2e_tests tm517sim)
endif()
