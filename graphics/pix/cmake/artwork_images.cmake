# The editor images by resource id: id, then file name inside resources/img/<set>/.
set(FLUVIA_ARTWORK_IMAGES
  101 va_background_0003.png
  102 va_panel_header_0002.png
  103 va_button_preset_backward_0001.png
  104 va_button_preset_forward_0001.png
  105 va_button_preset_load_0001.png
  106 va_button_preset_save_0001.png
  107 va_knob_0029.png
  108 va_knob_0032.png
  109 va_knob_0033_blue.png
  110 va_knob_0034_blue.png
  111 va_knob_0036.png
  112 va_knob_0037.png
  113 va_knob_0038.png
  114 va_knob_0039.png
  115 va_knob_0040.png
  116 va_panel_mask_0001_blue.png
  117 va_panel_fluvia_0001.png
)
