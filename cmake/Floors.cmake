# The program's floors, from the wire up. Each floor is a folder and a static
# library, talvik_<floor>, that links only the floors listed below it here;
# the floor check (cmake/CheckFloors.cmake) runs before any of them is built
# and fails the build on an #include into a floor that is not below.
set(TALVIK_FLOORS base modbus comtrade analysis relay records simulator archive session collect ui viewer app cli)
set(TALVIK_BELOW_base "")
set(TALVIK_BELOW_modbus base)
set(TALVIK_BELOW_comtrade base)
set(TALVIK_BELOW_analysis comtrade base)
set(TALVIK_BELOW_relay modbus base)
set(TALVIK_BELOW_records relay comtrade modbus base)
set(TALVIK_BELOW_simulator records relay comtrade modbus base)
set(TALVIK_BELOW_archive records relay comtrade modbus base)
set(TALVIK_BELOW_session archive simulator records relay comtrade modbus base)
set(TALVIK_BELOW_collect session archive simulator records relay comtrade modbus base)
set(TALVIK_BELOW_ui relay modbus base)
set(TALVIK_BELOW_viewer ui analysis comtrade relay modbus base)
set(TALVIK_BELOW_app viewer ui collect session archive simulator records relay analysis comtrade modbus base)
set(TALVIK_BELOW_cli collect session archive simulator records relay analysis comtrade modbus base)

# talvik_floor(NAME SOURCES... [QT module...] [LIBS other...]): the floor's
# library from its folder's sources, linked to the floors below it.
function(talvik_floor name)
    cmake_parse_arguments(FLOOR "" "" "SOURCES;QT;LIBS" ${ARGN})
    add_library(talvik_${name} STATIC ${FLOOR_SOURCES})
    target_include_directories(talvik_${name} PUBLIC ${TALVIK_ROOT})
    set(below)
    foreach(floor ${TALVIK_BELOW_${name}})
        list(APPEND below talvik_${floor})
    endforeach()
    set(qt)
    foreach(module ${FLOOR_QT})
        list(APPEND qt Qt5::${module})
    endforeach()
    target_link_libraries(talvik_${name} PUBLIC ${below} ${qt} ${FLOOR_LIBS})
    if(TARGET talvik_floor_check)
        add_dependencies(talvik_${name} talvik_floor_check)
    endif()
    source_group("${name}" FILES ${FLOOR_SOURCES})
endfunction()

# Every library that forms the program, top floors first (for a single
# link line).
function(talvik_all_floors out)
    set(all)
    foreach(floor ${TALVIK_FLOORS})
        list(PREPEND all talvik_${floor})
    endforeach()
    set(${out} ${all} PARENT_SCOPE)
endfunction()
