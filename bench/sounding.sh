# Sourced by the benchmark scripts: write_sounding SEED TITLE FILE writes a
# 90-point Schlumberger data file, a smooth high, low, rising curve over AB/2
# 1..1000 m with a 3 % scatter that differs from seed to seed.
write_sounding() {
  awk -v seed="$1" -v title="$2" 'BEGIN {
    srand(seed);
    print title " " seed;
    print "Array type (Wenner or Schlumberger)"; print "Schlumberger";
    print "Number of data points"; print 90;
    print "Data type"; print "Resistivity";
    print "Error in measurements inluded (Yes,No)"; print "No";
    print "Data section";
    for (i = 0; i < 90; ++i) {
      a = exp(log(10) * 3 * i / 89);
      rho = 40 + 160 / (1 + (a / 4) ^ 2) + 300 / (1 + (200 / a) ^ 1.5);
      rho *= 1 + 0.03 * (rand() + rand() + rand() - 1.5) * 2;
      printf "%10.3f  %10.3f  %10.3f\n", a, 0.5, rho;
    }
    print "User Starting Model Available (Yes/No)"; print "No";
  }' > "$3"
}
