# Resources are declared in .rc files and compiled with the standard resource
# compiler (windres from binutils-mingw-w64). See resources/README.md.
find_program(ORLEND_WINDRES x86_64-w64-mingw32-windres REQUIRED)
find_program(ORLEND_MINGW_LD x86_64-w64-mingw32-ld REQUIRED)

# orlend_resource_library(<target> NAME <file.dll> RC <file.rc> [OUTPUT_DIR <dir>] [INCLUDES dirs...]
#                         [DEPENDS ...])
# Builds a resource-only PE library, such as the skin and picture libraries.
function(orlend_resource_library target)
  cmake_parse_arguments(R "" "NAME;RC;OUTPUT_DIR" "DEPENDS;INCLUDES" ${ARGN})
  set(includes)
  foreach(dir ${R_INCLUDES})
    list(APPEND includes -I ${dir})
  endforeach()
  if(NOT R_OUTPUT_DIR)
    set(R_OUTPUT_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endif()
  get_filename_component(rc ${R_RC} ABSOLUTE)
  get_filename_component(rc_dir ${rc} DIRECTORY)
  set(obj ${CMAKE_CURRENT_BINARY_DIR}/${target}.coff.o)
  set(out ${R_OUTPUT_DIR}/${R_NAME})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${R_OUTPUT_DIR}
    COMMAND ${ORLEND_WINDRES} --preprocessor=cpp -c 65001 -I ${rc_dir} -I ${CMAKE_CURRENT_BINARY_DIR}
            ${includes} -i ${rc} -O coff -o ${obj}
    COMMAND ${ORLEND_MINGW_LD} --dll -e 0 -s -o ${out} ${obj}
    DEPENDS ${rc} ${R_DEPENDS}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    COMMENT "Resource library ${R_NAME}")
  add_custom_target(${target} ALL DEPENDS ${out})
endfunction()

# orlend_program_resources(<executable> RC <file.rc> [DEPENDS ...])
# Compiles the program's own resources and embeds them in the executable, where
# GetModuleHandleW(nullptr) finds them.
function(orlend_program_resources target)
  cmake_parse_arguments(R "" "RC" "DEPENDS" ${ARGN})
  get_filename_component(rc ${R_RC} ABSOLUTE)
  get_filename_component(rc_dir ${rc} DIRECTORY)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}.res)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  add_custom_command(OUTPUT ${cpp}
    COMMAND ${ORLEND_WINDRES} --preprocessor=cpp -c 65001 -I ${rc_dir} -I ${CMAKE_CURRENT_BINARY_DIR}
            -i ${rc} -O res -o ${res}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${cpp} -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    DEPENDS ${rc} ${R_DEPENDS} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    COMMENT "Program resources of ${target}")
  target_sources(${target} PRIVATE ${cpp})
endfunction()
