# talvora_folder_library(<target> [EXCLUDE <regex>])
# A static library of every source file in the current folder, so that several people can add
# files to one folder without touching its CMakeLists.
function(talvora_folder_library target)
    cmake_parse_arguments(L "" "EXCLUDE" "" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    if(L_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${L_EXCLUDE}")
    endif()
    # A folder whose first files are still to come builds as an empty library.
    if(NOT sources)
        set(sources ${CMAKE_CURRENT_BINARY_DIR}/${target}_placeholder.cpp)
        file(WRITE ${sources} "// no sources yet\n")
    endif()
    add_library(${target} STATIC ${sources})
endfunction()

# talvora_folder_tests(LIBS <targets...>)
# One test executable for each tst_*.cpp of the current folder.
function(talvora_folder_tests)
    cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(test IN LISTS tests)
        get_filename_component(name ${test} NAME_WE)
        talvora_add_qtest(${name} SOURCES ${test} LIBS ${T_LIBS})
    endforeach()
endfunction()
