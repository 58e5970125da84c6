// Lines a few pixels wide. WebGL draws GL lines one pixel wide only, which leaves hard and
// selected edges hard to see; these are quads that the vertex shader widens across the line on
// screen, so their width stays the same in pixels at any distance.

import * as THREE from 'three';

const vertexShader = `
uniform vec2 viewSize;
uniform float width;
attribute vec3 other;
attribute vec2 corner;
void main() {
  vec4 here = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
  vec4 there = projectionMatrix * modelViewMatrix * vec4(other, 1.0);
  vec2 halfView = 0.5 * viewSize;
  vec2 along = there.xy / there.w * halfView - here.xy / here.w * halfView;
  vec2 across = length(along) > 0.0 ? normalize(vec2(-along.y, along.x)) : vec2(0.0, 1.0);
  here.xy += across * corner.y * 0.5 * width / halfView * here.w;
  // A little nearer than the faces the line lies on, so that they do not cover half of it.
  here.z -= 0.0005 * here.w;
  gl_Position = here;
}`;

const fragmentShader = `
uniform vec3 color;
void main() {
  gl_FragColor = vec4(color, 1.0);
}`;

export function thickLineMaterial(color, width) {
  return new THREE.ShaderMaterial({
    uniforms: {
      color: { value: new THREE.Color(color) },
      width: { value: width },
      viewSize: { value: new THREE.Vector2(1, 1) },
    },
    vertexShader,
    fragmentShader,
    side: THREE.DoubleSide,
  });
}

// Every segment (a pair of point indices into positions) as a quad: each end appears twice, once
// per side, with the other end beside it to know which way is across.
export function thickLineGeometry(positions, pairs) {
  const segments = pairs.length / 2;
  const here = new Float32Array(12 * segments);
  const other = new Float32Array(12 * segments);
  const corner = new Float32Array(8 * segments);
  const index = new Uint32Array(6 * segments);
  for (let s = 0; s < segments; ++s) {
    const ends = [pairs[2 * s], pairs[2 * s + 1]];
    for (let v = 0; v < 4; ++v) {
      const end = v >> 1;
      for (let k = 0; k < 3; ++k) {
        here[12 * s + 3 * v + k] = positions[3 * ends[end] + k];
        other[12 * s + 3 * v + k] = positions[3 * ends[1 - end] + k];
      }
      corner[8 * s + 2 * v] = end;
      // Seen from the other end the across direction flips, so the side does too.
      corner[8 * s + 2 * v + 1] = (v & 1 ? 1 : -1) * (end ? -1 : 1);
    }
    index.set([4 * s, 4 * s + 1, 4 * s + 2, 4 * s + 1, 4 * s + 3, 4 * s + 2], 6 * s);
  }
  const g = new THREE.BufferGeometry();
  g.setAttribute('position', new THREE.BufferAttribute(here, 3));
  g.setAttribute('other', new THREE.BufferAttribute(other, 3));
  g.setAttribute('corner', new THREE.BufferAttribute(corner, 2));
  g.setIndex(new THREE.BufferAttribute(index, 1));
  return g;
}
