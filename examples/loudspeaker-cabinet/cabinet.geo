// A closed loudspeaker cabinet with a circular piston on its front face, in metres.
// The front face is the plane x = 0 with the piston's centre at the origin, the piston's axis
// is +x and z points up: the cabinet spans x -0.25..0, y -0.15..0.15, z -0.15..0.25.
// Physical groups: "piston" (the disc) and "cabinet" (the rest of the box).
// Meshed for 3 kHz at six elements per wavelength (343 / (6 * 3000) = 0.019 m):
//   gmsh -2 cabinet.geo -o cabinet.msh
SetFactory("OpenCASCADE");

a = 0.08;        // piston radius
h = 0.019;       // largest element edge

Box(1) = {-0.25, -0.15, -0.15, 0.25, 0.3, 0.4};
Disk(100) = {0, 0, 0, a};
Rotate {{0, 1, 0}, {0, 0, 0}, Pi / 2} { Surface{100}; }
BooleanFragments{ Volume{1}; Delete; }{ Surface{100}; Delete; }

e = 1e-6;
piston() = Surface In BoundingBox{-e, -a - e, -a - e, e, a + e, a + e};
all() = Boundary{ Volume{1}; };
cabinet() = all();
cabinet() -= piston();

Physical Surface("piston") = {piston()};
Physical Surface("cabinet") = {cabinet()};

Mesh.MeshSizeMax = h;
Mesh.MeshSizeMin = h / 4;
Mesh.MshFileVersion = 4.1;
