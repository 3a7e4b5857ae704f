# phx_library(NAME DEPS...): one static library per subsystem folder, made of
# every .cpp in that folder and in its ui/ folder (the windows). A folder
# without sources yields an interface library so that later folders can
# already depend on it. DEPS are the libraries the folder's code uses; the
# include check (scripts/check-layering) holds every include to them.
function(phx_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# phx_tests(LIBS...): one GoogleTest program per *_test.cpp in the current
# folder, each registered with CTest. Fixture files live beside the tests and
# are found through PHX_TEST_DATA_DIR; the device captures in tests/data/
# through PHX_CAPTURE_DIR.
function(phx_tests)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(target ${folder}_${test_name})
    add_executable(${target} ${test_source})
    target_link_libraries(${target} PRIVATE ${ARGN} phx_testsupport GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE
      PHX_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
      PHX_CAPTURE_DIR="${PHX_CAPTURE_DIR}"
      PHX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${target}
      TEST_PREFIX "${folder}."
      DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  endforeach()
endfunction()
