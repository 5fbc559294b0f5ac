# The harness the unit suites link (start-up of the linked-in module, the simulated bus with
# its bench files, the stepping clock, a recording host), also for the programs outside tests/
# that drive the module the same way: the benchmarks and the fuzz targets. Defined once,
# whichever directory asks first.
function(gpibscope_test_support_library)
  if(TARGET gpibscope_test_support)
    return()
  endif()
  add_library(gpibscope_test_support STATIC ${PROJECT_SOURCE_DIR}/tests/support/module_harness.cpp)
  target_include_directories(gpibscope_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(gpibscope_test_support PUBLIC gpibscope_core gpib-32)
  target_compile_definitions(gpibscope_test_support PUBLIC
    GPIBSCOPE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gpibscope_warnings(gpibscope_test_support)
endfunction()

# The emulated Prologix/AR488 controller as a child process of a test or a benchmark.
function(gpibscope_emulator_process_library)
  if(TARGET gpibscope_emulator_process OR NOT TARGET gpib-controller-emulator)
    return()
  endif()
  add_library(gpibscope_emulator_process STATIC
              ${PROJECT_SOURCE_DIR}/tests/support/emulator_process.cpp)
  target_include_directories(gpibscope_emulator_process PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(gpibscope_emulator_process PRIVATE
    GPIB_CONTROLLER_EMULATOR="$<TARGET_FILE:gpib-controller-emulator>")
  add_dependencies(gpibscope_emulator_process gpib-controller-emulator)
  gpibscope_warnings(gpibscope_emulator_process)
endfunction()
