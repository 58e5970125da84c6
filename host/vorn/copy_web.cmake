# Fills OUTPUT with the page's files from SOURCE and the three.js modules it imports. Without the
# npm packages the page is copied alone (vorn serve then refuses to start and says what to run),
# so that the rest of the build does not depend on them.
set(three ${SOURCE}/node_modules/three/build)
file(GLOB page ${SOURCE}/*.html ${SOURCE}/*.js ${SOURCE}/*.css)
file(MAKE_DIRECTORY ${OUTPUT})
file(COPY ${page} DESTINATION ${OUTPUT})
if(EXISTS ${three}/three.module.js)
  file(GLOB modules ${three}/three.module.js ${three}/three.core.js)
  file(COPY ${modules} DESTINATION ${OUTPUT})
else()
  message(WARNING "three.js is not installed in ${SOURCE}/node_modules: run ./dev bootstrap for vorn serve")
endif()
