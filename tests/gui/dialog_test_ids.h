#pragma once
// Templates of the dialog tests, kept out of the program's resources.
#define IDD_TEST_BAND 900
#define IDD_TEST_PAGE 901
#define IDC_TEST_TOP 1901
#define IDC_TEST_BAND_LABEL 1902
#define IDC_TEST_BAND_EDIT 1903
#define IDC_TEST_CHECK 1904
#define IDC_TEST_RAISE 1905
#define IDC_TEST_GROUP_A 1906
#define IDC_TEST_GROUP_B 1907
