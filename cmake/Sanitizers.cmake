# AddressSanitizer and UndefinedBehaviorSanitizer on every target configured after this file.
# Nothing is recovered from: the first memory error, leak or undefined behaviour ends the
# program with a report, so a finding fails the test or the fuzz run that ran into it.
#
# The fuzz targets include it; the sanitizer build of the whole project takes it as the
# project's include:
#   cmake -S . -B build-asan -DCMAKE_PROJECT_INCLUDE=$PWD/cmake/Sanitizers.cmake
# float-cast-overflow is named because g++ leaves it out of "undefined".
set(TM_SANITIZERS address,undefined,float-cast-overflow)
add_compile_options(-fsanitize=${TM_SANITIZERS} -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=${TM_SANITIZERS})
