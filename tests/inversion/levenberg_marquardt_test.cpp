#include "inversion/levenberg_marquardt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "inversion/accurate_fit.h"
#include "inversion/parameter_transform.h"

namespace layra {
namespace {

// Rosenbrock's valley as least squares, r = (10 (x2 - x1^2), 1 - x1): curved
// and narrow, its minimum at (1, 1) where F = 0 (More, Garbow & Hillstrom
// 1981, ACM TOMS 7, 17-41, problem 1, start (-1.2, 1)). With `penalty`, a
// tie a (x1 - x2)^2 = x^T P x that leaves the minimum where it is.
template <typename Matrix>
class Rosenbrock : public LinearisedProblem<Matrix> {
 public:
  explicit Rosenbrock(double tie) : tie_(tie) {}
  bool Value(const Eigen::VectorXd& x, double* value) override {
    *value = Residuals(x).squaredNorm() + Tie(x);
    return true;
  }
  bool Linearise(const Eigen::VectorXd& x,
                 double* value,
                 Matrix* normal,
                 Eigen::VectorXd* descent) override {
    // dr/dx = -J with J = [[20 x1, -10], [1, 0]].
    Eigen::Matrix2d j;
    j << 20.0 * x(0), -10.0, 1.0, 0.0;
    Eigen::Matrix2d p;
    p << tie_, -tie_, -tie_, tie_;
    const Eigen::Matrix2d h = j.transpose() * j + p;
    *value = Residuals(x).squaredNorm() + Tie(x);
    *descent = j.transpose() * Residuals(x) - p * x;
    *normal = h.sparseView();
    return true;
  }

 private:
  static Eigen::Vector2d Residuals(const Eigen::VectorXd& x) {
    return Eigen::Vector2d(10.0 * (x(1) - x(0) * x(0)), 1.0 - x(0));
  }
  double Tie(const Eigen::VectorXd& x) const { return tie_ * (x(0) - x(1)) * (x(0) - x(1)); }
  const double tie_;
};

template <>
bool Rosenbrock<Eigen::MatrixXd>::Linearise(const Eigen::VectorXd& x,
                                            double* value,
                                            Eigen::MatrixXd* normal,
                                            Eigen::VectorXd* descent) {
  Eigen::SparseMatrix<double> sparse;
  Rosenbrock<Eigen::SparseMatrix<double>> same(tie_);
  same.Linearise(x, value, &sparse, descent);
  *normal = Eigen::MatrixXd(sparse);
  return true;
}

TEST(LevenbergMarquardt, DenseAndSparseFollowTheValleyToItsMinimum) {
  for (const double tie : {0.0, 5.0}) {
    Rosenbrock<Eigen::MatrixXd> dense_problem(tie);
    Rosenbrock<Eigen::SparseMatrix<double>> sparse_problem(tie);
    DenseLevenbergMarquardt dense(dense_problem, Eigen::Vector2d(-1.2, 1.0));
    SparseLevenbergMarquardt sparse(sparse_problem, Eigen::Vector2d(-1.2, 1.0));
    ASSERT_TRUE(dense.Start());
    ASSERT_TRUE(sparse.Start());
    EXPECT_TRUE(AtMinimum(dense.Run())) << tie;
    EXPECT_TRUE(AtMinimum(sparse.Run())) << tie;
    EXPECT_NEAR(dense.x()(0), 1.0, 1e-6) << tie;
    EXPECT_NEAR(dense.x()(1), 1.0, 1e-6) << tie;
    EXPECT_NEAR(sparse.x()(0), dense.x()(0), 1e-9) << tie;
    EXPECT_NEAR(sparse.x()(1), dense.x()(1), 1e-9) << tie;
  }
}

// One bounded parameter p in [1, 10] (logistic transform) that the data
// would put at 100: the fit ends at a minimum against the bound instead of
// creeping toward it step after step.
class PulledPastBound : public WeightedProblem {
 public:
  PulledPastBound() {
    std::vector<ModelParameter> parameters;
    AppendParameters(ParameterKind::kResistivity, {3.0}, parameters);
    parameters[0].bounded = true;
    parameters[0].low = 1.0;
    parameters[0].high = 10.0;
    transform_ = std::make_unique<ParameterTransform>(parameters);
  }
  bool Evaluate(const Eigen::VectorXd& x,
                Eigen::VectorXd* residuals,
                Eigen::MatrixXd* jacobian) override {
    std::vector<double> derivative;
    transform_->FromFree({x(0)}, &derivative);
    const double p = transform_->Values()[0];
    *residuals = Eigen::VectorXd::Constant(1, std::log(100.0) - std::log(p));
    if (jacobian != nullptr) *jacobian = Eigen::MatrixXd::Constant(1, 1, derivative[0] / p);
    return true;
  }
  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return transform_->Pinned(static_cast<int>(k), x(k), descent);
  }
  double Value(const Eigen::VectorXd& x) {
    transform_->FromFree({x(0)}, nullptr);
    return transform_->Values()[0];
  }

 private:
  std::unique_ptr<ParameterTransform> transform_;
};

TEST(LevenbergMarquardt, AParameterHeldByItsBoundEndsTheFit) {
  PulledPastBound problem;
  const Eigen::VectorXd start = Eigen::VectorXd::Constant(1, 0.0);
  LevenbergMarquardtFit fit(problem, start, 0.01, 200);
  ASSERT_TRUE(fit.Start());
  while (fit.Step()) {
  }
  EXPECT_EQ(fit.state(), MinimiserState::kConverged);
  EXPECT_LT(fit.steps(), 40);
  EXPECT_GT(problem.Value(fit.x()), 9.99);
}

}  // namespace
}  // namespace layra
