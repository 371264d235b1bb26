# One interface target carries the standard, the warnings and the defines for every
# library, executable and test of the project.
add_library(project_config INTERFACE)
target_compile_features(project_config INTERFACE cxx_std_20)
# One include root: every include names its folder ("common/numbers.h"), so the top of a file
# shows which layers it depends on.
target_include_directories(project_config INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(project_config INTERFACE -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual)
target_compile_definitions(project_config INTERFACE
  QT_NO_KEYWORDS)
if(RETENCIONES_FUZZ AND RETENCIONES_FUZZ_SANITIZERS)
  target_compile_options(project_config INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  target_link_options(project_config INTERFACE -fsanitize=address,undefined)
elseif(RETENCIONES_FUZZ)
  # Coverage alone: what a harness costs without the sanitizers' checks.
  target_compile_options(project_config INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(project_config INTERFACE -fsanitize=fuzzer-no-link)
endif()
