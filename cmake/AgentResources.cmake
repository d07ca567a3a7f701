# The Agent executable's surroundings: its Windows resources and its language
# files.
#
#   lt260_add_agent_resources(TARGET)
#     Links the icon (id 137), the version record and the manifest into the
#     Windows executable TARGET. The resources are compiled once, into the
#     object library lt260_agent_resources, whatever the number of targets.
#   lt260_copy_language_files(TARGET)
#     Copies skin_En.ini and skin_Sp.ini into "Lan" beside TARGET's file
#     after each build of TARGET.
#
# Include this file from the top-level CMakeLists.txt: the object library and
# the generated icon belong to the including directory.

set(LT260_AGENT_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../src/platform/win32/resources
    CACHE INTERNAL "Sources of the Agent's Windows resources")
set(LT260_LANGUAGE_DIR ${CMAKE_CURRENT_LIST_DIR}/../src/app/Lan
    CACHE INTERNAL "The Agent's language files")
cmake_path(NORMAL_PATH LT260_AGENT_RESOURCE_DIR)
cmake_path(NORMAL_PATH LT260_LANGUAGE_DIR)

if(WIN32)
  enable_language(RC)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  # The icon is drawn by a script rather than kept as a binary file.
  set(_lt260_icon ${CMAKE_CURRENT_BINARY_DIR}/agent-resources/LT260Agent.ico)
  add_custom_command(
    OUTPUT ${_lt260_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/agent-resources
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/../tools/make-icon.py ${_lt260_icon}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../tools/make-icon.py
    COMMENT "Drawing the Agent's icon"
    VERBATIM
  )

  add_library(lt260_agent_resources OBJECT
    ${LT260_AGENT_RESOURCE_DIR}/LT260Agent.rc
    ${_lt260_icon}
  )
  # windres looks for the files that ICON and RT_MANIFEST name in its include
  # directories: the generated icon in the build folder, the manifest beside
  # the script.
  target_include_directories(lt260_agent_resources PRIVATE
    ${CMAKE_CURRENT_BINARY_DIR}/agent-resources
    ${LT260_AGENT_RESOURCE_DIR}
  )
  target_compile_definitions(lt260_agent_resources PRIVATE
    LT260_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    LT260_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    LT260_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  )
  set_source_files_properties(${LT260_AGENT_RESOURCE_DIR}/LT260Agent.rc PROPERTIES
    OBJECT_DEPENDS "${_lt260_icon};${LT260_AGENT_RESOURCE_DIR}/LT260Agent.manifest"
  )
  set(LT260_AGENT_ICON ${_lt260_icon} CACHE INTERNAL "The Agent's icon file, drawn at build time")
  unset(_lt260_icon)
endif()

function(lt260_add_agent_resources target)
  if(NOT TARGET lt260_agent_resources)
    message(FATAL_ERROR "lt260_add_agent_resources(${target}): the Agent's resources exist only "
                        "in Windows builds, and cmake/AgentResources.cmake must be included first")
  endif()
  # Linking an object library adds its objects to the executable.
  target_link_libraries(${target} PRIVATE lt260_agent_resources)
endfunction()

function(lt260_copy_language_files target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "lt260_copy_language_files: no target named ${target}")
  endif()
  set(files ${LT260_LANGUAGE_DIR}/skin_En.ini ${LT260_LANGUAGE_DIR}/skin_Sp.ini)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/Lan
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} $<TARGET_FILE_DIR:${target}>/Lan/
    COMMENT "Copying the language files beside ${target}"
    VERBATIM
  )
endfunction()
