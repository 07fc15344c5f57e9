# Test registration shared by every test folder.
#
# Natively each GoogleTest case is its own ctest entry. Under an emulator (Wine) every process
# start is slow, so a cross build registers each test executable as one entry.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(TOLVANE_GTEST_LIBS gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(TOLVANE_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()

function(tolvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tolvane_test_support ${TOLVANE_GTEST_LIBS})
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    # The emulator's answer when the machine cannot run this build's programs at all.
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
