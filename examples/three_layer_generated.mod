Three-layer model: topsoil, gravel aquifer, clay basement
Number of layers
3
Type of model
Resistivity model
Layers: thickness (m), resistivity (ohm-m)
  4.0    60.0
 40.0   400.0
         15.0
Number of spacings (0: generated from the model)
0
Array type (Wenner or Schlumberger)
Wenner
