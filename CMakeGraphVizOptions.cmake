# Options of `cmake --graphviz` for the library diagram of docs/architecture.md
# (docs/images/modules.dot and .png): the project's libraries and the program,
# without system libraries, tests, benchmarks and host tools.
set(GRAPHVIZ_GRAPH_NAME "Tolmero")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS
  "_tests?$" "^bench_" "_test_support$" "^tolmero_reference$" "^tolmero_test_references$" "^tolmero_audio_test_files$"
  "^imageload_" "^setup_dialog_preview$" "^tolmero_gen_" "^tolmero_sprite_" "^tolmero_image_tools$"
  "^tolmero_glyph_" "^tolmero_compose" "^tolmero_embed$" "^tolmero_shader_tool$" "^tolmero_spirv_tools$"
  "^tolmero_direct_shots$")
