# The harness the unit suites link (start-up of the linked-in module, the simulated bus, the
# stepping clock), for the programs outside tests/ that drive the module the same way: the
# benchmarks and the fuzz targets. Defined once, whichever directory asks first.
function(gpibscope_test_support_library)
  if(TARGET gpibscope_test_support)
    return()
  endif()
  add_library(gpibscope_test_support STATIC ${PROJECT_SOURCE_DIR}/tests/support/module_harness.cpp)
  target_include_directories(gpibscope_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(gpibscope_test_support PUBLIC gpibscope_core gpib-32)
  gpibscope_warnings(gpibscope_test_support)
endfunction()
