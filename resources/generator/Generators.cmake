# The resource generators: small programs that draw the pictures the programs
# embed. They run on the build machine, so the same list serves the build
# itself (on Linux) and the build machine's own project that a cross-build
# makes for them (resources/generator/host). VQM_SOURCE_DIR is the tree's top.
add_library(vqm_resgen STATIC ${VQM_SOURCE_DIR}/resources/generator/Drawing.cpp
                              ${VQM_SOURCE_DIR}/resources/generator/ResourceFiles.cpp)
target_include_directories(vqm_resgen PUBLIC ${VQM_SOURCE_DIR})
target_link_libraries(vqm_resgen PUBLIC JPEG::JPEG)

set(VQM_GENERATORS
    vqm-genresources ${VQM_SOURCE_DIR}/resources/generator/GenResources.cpp
    vqm-geninstallerresources ${VQM_SOURCE_DIR}/installer/resources/GenInstallerResources.cpp
    vqm-genlauncherresources ${VQM_SOURCE_DIR}/launcher/resources/GenLauncherResources.cpp)
while(VQM_GENERATORS)
  list(POP_FRONT VQM_GENERATORS name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE vqm_resgen)
endwhile()
