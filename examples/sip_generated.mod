SIP model with generated frequencies
Number of layers
2
Type of model
Frequency domain SIP model
Layers: thickness, resistivity, chargeability, time constant (s), exponent
 12.0    80.0   0.10   0.01   0.40
        200.0   0.30   0.10   0.50
Number of spacings
8
Wenner spacings a (m)
  1.0   2.0   4.0   8.0  16.0  32.0  64.0 128.0
Number of frequencies (0: generated from the time constants)
0
Array type (Wenner or Schlumberger)
Wenner
