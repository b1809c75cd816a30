# The house's floors: one static library a folder, each linking only the
# floors below it. A floor compiles against a view of the source tree that
# holds its own folder and those below it, nothing above, so an include that
# runs up a floor fails the build ("No such file or directory").
#
#   qh_floor(TARGET FOLDER folder SOURCES file... [BELOW target...] [QT module...])
function(qh_floor target)
    cmake_parse_arguments(FLOOR "" "FOLDER" "SOURCES;BELOW;QT" ${ARGN})
    list(TRANSFORM FLOOR_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/${FLOOR_FOLDER}/)
    add_library(${target} STATIC ${FLOOR_SOURCES})

    set(visible ${FLOOR_FOLDER})
    foreach(below IN LISTS FLOOR_BELOW)
        get_target_property(folders ${below} QH_VISIBLE_FOLDERS)
        list(APPEND visible ${folders})
    endforeach()
    list(REMOVE_DUPLICATES visible)
    set_target_properties(${target} PROPERTIES QH_VISIBLE_FOLDERS "${visible}")

    set(view ${CMAKE_BINARY_DIR}/floors/${target})
    file(REMOVE_RECURSE ${view})
    foreach(folder IN LISTS visible)
        get_filename_component(parent ${view}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PRIVATE ${view})

    list(TRANSFORM FLOOR_QT PREPEND Qt6::)
    target_link_libraries(${target} PUBLIC quillhaven_options ${FLOOR_BELOW} ${FLOOR_QT})
endfunction()
