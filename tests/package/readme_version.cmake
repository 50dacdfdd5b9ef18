# The README names the package of the version the build has.
file(READ ${README} text)
string(FIND "${text}" "varlo-${VERSION}-win64.zip" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md does not name varlo-${VERSION}-win64.zip")
endif()
