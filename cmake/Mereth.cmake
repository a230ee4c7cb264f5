# Each layer folder is one static library made of every .cpp in it (and its
# listed subfolders), so adding a module never means editing a build file.
# Tests beside the code: <folder>/tests/*_test.cpp become one executable per
# folder; files named *_mt_test.cpp build into <folder>_mt_tests instead,
# which every sanitizer run executes and the thread-sanitizer run picks up
# through the label "threads".

function(mereth_library name)
  cmake_parse_arguments(ARG "" "" "SUBDIRS;DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub IN LISTS ARG_SUBDIRS)
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  foreach(skip IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${skip})
  endforeach()
  if(NOT sources)
    # A layer whose first module is still being written links as nothing.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

function(mereth_tests name)
  if(NOT MERETH_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  file(GLOB mt_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_mt_test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_fixture.cpp)
  if(mt_tests)
    list(REMOVE_ITEM tests ${mt_tests})
  endif()
  if(tests)
    add_executable(${name}_tests ${tests} ${helpers})
    target_link_libraries(${name}_tests PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(mt_tests)
    add_executable(${name}_mt_tests ${mt_tests} ${helpers})
    target_link_libraries(${name}_mt_tests PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name}_mt_tests DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                         TEST_PREFIX "threads." PROPERTIES LABELS threads)
    set_property(GLOBAL APPEND PROPERTY MERETH_MT_TESTS ${name}_mt_tests)
  endif()
endfunction()
