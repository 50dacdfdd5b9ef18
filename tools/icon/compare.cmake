# Draws the icon afresh and compares it with the one the program carries.
execute_process(COMMAND ${DRAW} ${DRAWN} RESULT_VARIABLE drew)
if(NOT drew EQUAL 0)
  message(FATAL_ERROR "the icon could not be drawn")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DRAWN} ${KEPT} RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "app/varlo.ico is not what tools/icon draws: run varlo-draw-icon app/varlo.ico")
endif()
