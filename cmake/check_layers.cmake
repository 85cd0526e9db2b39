# Fails, naming each file and line, when a source of a layer includes a
# header of a layer above it. The layers, lowest first: base, report, ui, app.
# The link checks catch a call upward; this catches an include that calls
# nothing (a type, an inline function, a macro).
# Usage: cmake -DSOURCE_DIR=<the repository> -P check_layers.cmake
set(LAYERS base report ui app)
list(LENGTH LAYERS COUNT)
math(EXPR LAST "${COUNT} - 2")
set(PROBLEMS "")
foreach(INDEX RANGE ${LAST})
  list(GET LAYERS ${INDEX} LAYER)
  math(EXPR NEXT "${INDEX} + 1")
  list(SUBLIST LAYERS ${NEXT} -1 ABOVE)
  list(JOIN ABOVE "|" ABOVE_PATTERN)
  file(GLOB_RECURSE FILES ${SOURCE_DIR}/${LAYER}/*.h ${SOURCE_DIR}/${LAYER}/*.cpp
       ${SOURCE_DIR}/${LAYER}/*.rc)
  foreach(FILE ${FILES})
    file(STRINGS ${FILE} INCLUDES REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${ABOVE_PATTERN})/")
    foreach(LINE ${INCLUDES})
      file(RELATIVE_PATH NAME ${SOURCE_DIR} ${FILE})
      string(APPEND PROBLEMS "  ${NAME}: ${LINE}\n")
    endforeach()
  endforeach()
endforeach()
if(PROBLEMS)
  message(FATAL_ERROR "A layer includes a header of a layer above it:\n${PROBLEMS}")
endif()
