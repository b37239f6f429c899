# One static library per layer, made of every source file under its folder.
# quorin_layer(<target> <folder> [DEPS libs...])
function(quorin_layer target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${folder}/*.cpp" "${folder}/*.c")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One test program per *_test.cpp under a folder, each linking one layer
# library plus the shared test support.
# quorin_layer_tests(<layer-target> <folder> [LIBS extra...])
function(quorin_layer_tests layer folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS "${folder}/*_test.cpp")
  foreach(test_source IN LISTS tests)
    get_filename_component(name "${test_source}" NAME_WE)
    set(exe "${layer}_${name}")
    add_executable(${exe} ${test_source})
    target_link_libraries(${exe} PRIVATE ${layer} quorin_testsupport GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
    target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # Line tables and function names are all a failing test's backtrace
    # needs; full debug info of the GoogleTest-heavy test sources was about a
    # quarter of a cold build. Debug builds keep it all.
    target_compile_options(${exe} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
    # Tests of the shared sound server (*_pulse_test.cpp) add and remove
    # devices, which shifts device indices: they take turns.
    set(lock "")
    if(name MATCHES "_pulse_test$")
      set(lock RESOURCE_LOCK quorin_pulse_server)
    endif()
    # Every property value is a single word here: a value holding a ";"
    # is split by the generated set_tests_properties, which then reads the
    # rest as property names and loses what follows, the lock included.
    # Tests of cross-thread paths (*_tsan_test) also run under ThreadSanitizer
    # in make tsan, which builds only them (target quorin_tsan_tests).
    set(label "")
    if(name MATCHES "_tsan_test$")
      set(label LABELS tsan)
      if(NOT TARGET quorin_tsan_tests)
        add_custom_target(quorin_tsan_tests)
      endif()
      add_dependencies(quorin_tsan_tests ${exe})
    endif()
    gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST
      PROPERTIES ${lock} ${label} ENVIRONMENT "QUORIN_BUILD_DIR=${PROJECT_BINARY_DIR}"
                 ENVIRONMENT_MODIFICATION "QUORIN_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}"
      DISCOVERY_TIMEOUT 30)
  endforeach()
endfunction()
