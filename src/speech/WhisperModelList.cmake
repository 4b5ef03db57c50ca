# The Whisper models offered for download, read from whisper.cpp's own
# sources when the build configures: the names its download script knows,
# the host and path it fetches them from, and the SHA-1 and size its
# models/README.md publishes for each. A whisper.cpp that no longer offers
# one of them (or no longer publishes its checksum) stops the configure
# rather than giving users a model nobody can verify.
function(pellucor_whisper_model_list source out)
  set(script "${source}/models/download-ggml-model.sh")
  set(readme "${source}/models/README.md")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${script}" "${readme}")
  file(READ "${script}" script_text)
  file(READ "${readme}" readme_text)
  if(NOT script_text MATCHES "\nsrc=\"([^\"]+)\"")
    message(FATAL_ERROR "${script} no longer names the host it downloads from (src=...)")
  endif()
  set(host "${CMAKE_MATCH_1}")
  if(NOT script_text MATCHES "\npfx=\"([^\"]+)\"")
    message(FATAL_ERROR "${script} no longer names the models' path on its host (pfx=...)")
  endif()
  set(path "${CMAKE_MATCH_1}")
  if(NOT script_text MATCHES "\nmodels=\"([^\"]+)\"")
    message(FATAL_ERROR "${script} no longer lists its models (models=...)")
  endif()
  string(REGEX REPLACE "[ \t\r\n]+" ";" known "${CMAKE_MATCH_1}")
  set(rows "")
  foreach(name tiny tiny.en base base.en small small.en medium medium.en)
    if(NOT name IN_LIST known)
      message(FATAL_ERROR "${script} no longer offers the Whisper model ${name}")
    endif()
    string(REPLACE "." "\\." name_re "${name}")
    if(NOT readme_text MATCHES "\n\\| ${name_re} +\\| ([^|]*[^ |]) +\\| `([0-9a-f]+)` +\\|")
      message(FATAL_ERROR "${readme} no longer gives the size and SHA-1 of the Whisper model ${name}")
    endif()
    string(APPEND rows "    {\"${name}\", \"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\"},\n")
  endforeach()
  file(CONFIGURE OUTPUT "${out}" CONTENT
"// Made by src/speech/WhisperModelList.cmake from whisper.cpp's
// models/download-ggml-model.sh and models/README.md: do not edit.
constexpr const char* kWhisperModelHost = \"${host}\";
constexpr const char* kWhisperModelPath = \"${path}\";
const SpeechModel kWhisperModelRows[] = {
${rows}};
" @ONLY)
endfunction()
