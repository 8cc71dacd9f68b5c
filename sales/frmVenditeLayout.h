#pragma once
// Builds the sale window's controls (each with its objectName) into the window's members and
// lays them out; the window connects them.

class frmVendite;

void BuildVenditeLayout(frmVendite& w);
