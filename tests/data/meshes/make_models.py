# Writes the model fixtures of this folder from Blender's built-in primitives:
#   blender --background --factory-startup --python tests/data/meshes/make_models.py
# (from the repository root). Each model stays at a few hundred polygons so that the random edit
# test can afford a full check after every statement.
import bmesh
import bpy
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def clear():
    bpy.ops.object.select_all(action="SELECT")
    bpy.ops.object.delete()


def export(name):
    path = os.path.join(HERE, name + ".obj")
    bpy.ops.wm.obj_export(filepath=path, export_selected_objects=True, export_normals=False, export_uv=True,
                          export_materials=True, apply_modifiers=True, export_triangulated_mesh=False)
    # The materials' own file is of no use to the tests: only the usemtl names are read.
    mtl = os.path.join(HERE, name + ".mtl")
    if os.path.exists(mtl):
        os.remove(mtl)
    lines = [l for l in open(path) if not l.startswith(("mtllib", "#"))]
    with open(path, "w") as out:
        out.write("# %s, made by make_models.py\n" % name)
        out.writelines(lines)


def two_materials(obj, upper):
    """The polygons above the middle take a second material, so that splits cross a material border."""
    for name in ("Paint", "Metal"):
        obj.data.materials.append(bpy.data.materials.new(name))
    for p in obj.data.polygons:
        p.material_index = 1 if upper(p.center) else 0


# A UV sphere: triangle fans at both poles, quads between.
clear()
bpy.ops.mesh.primitive_uv_sphere_add(segments=12, ring_count=8, radius=1)
two_materials(bpy.context.object, lambda c: c.z > 0)
export("uv_sphere")

# A torus: quads only, every edge between two polygons, no border.
clear()
bpy.ops.mesh.primitive_torus_add(major_segments=16, minor_segments=8, major_radius=1, minor_radius=0.3)
export("torus")

# A cylinder closed by two twelve-sided polygons.
clear()
bpy.ops.mesh.primitive_cylinder_add(vertices=12, radius=1, depth=2, end_fill_type="NGON")
two_materials(bpy.context.object, lambda c: c.z > 0.99)
export("capped_cylinder")

# The monkey head subdivided once, then only its front: poles where five or three edges meet,
# open borders at the cut and around the eyes.
clear()
bpy.ops.mesh.primitive_monkey_add(size=2)
obj = bpy.context.object
mod = obj.modifiers.new("subdivide", "SUBSURF")
mod.levels = 1
bpy.ops.object.modifier_apply(modifier=mod.name)
mesh = bmesh.new()
mesh.from_mesh(obj.data)
bmesh.ops.delete(mesh, geom=[f for f in mesh.faces if f.calc_center_median().y > -0.7 or f.calc_center_median().x < 0], context="FACES")
mesh.to_mesh(obj.data)
mesh.free()
export("monkey_front")
